// Comparisons and logic of matrices work element by element into a matrix
// of bools; a scalar is compared with every element. Each result is read
// back as bits (_11 1, _12 2, _21 4, _22 8).
//? entry ps_3_0 main()
//? ps c0 = 1 5 3 0
//? expect 2 5 4 12
float4 v;
float Bits(float2x2 m) { return m._11 + 2 * m._12 + 4 * m._21 + 8 * m._22; }
float4 main() : COLOR0
{
    float2x2 a = float2x2(1, 2, 3, 4);
    float2x2 b = float2x2(v);
    bool2x2 lt = a < b;
    float2x2 eq = a == b;
    float2x2 both = (a >= b) && !(a != 3);
    float2x2 over = 2.5 < a;
    return float4(Bits(lt), Bits(eq), Bits(both), Bits(over) + 16 * any(isnan(a)));
}
