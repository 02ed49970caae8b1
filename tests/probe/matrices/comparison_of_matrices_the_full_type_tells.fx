// Matrices compare element by element also where only the whole expression
// tells an operand's shape: a member of a returned struct, a ternary.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 0 1 1 0
float4 v : register(c0);
struct Frame { float2x2 m; };
Frame make(float4 x) { Frame f; f.m = float2x2(x); return f; }
float4 main() : COLOR0
{
    float2x2 n = float2x2(2, 2, 2, 2);
    bool2x2 b = make(v).m > n;                          // 0 0 / 1 1
    bool2x2 c = (v.x > 0 ? n : n) < make(v.wzyx).m;     // 1 1 / 0 0
    return float4(b._11, c._11, c._12, b._12);
}
