// "*" of two matrices multiplies element by element also where only the
// whole expression tells an operand's shape: a member of a returned struct,
// of an element of an array of structs, a ternary, a bracketed product.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 1 16 6 12
float4 v : register(c0);
struct Frame { float2x2 m; };
Frame make(float4 x) { Frame f; f.m = float2x2(x); return f; }
float4 main() : COLOR0
{
    Frame frames[2];
    frames[0] = make(v);                                              // 1 2 / 3 4
    frames[1] = make(v.wzyx);                                         // 4 3 / 2 1
    float2x2 a = make(v).m * frames[1].m;                             // 4 6 / 6 4
    float2x2 b = (v.x > 0 ? frames[0].m : frames[1].m) * frames[0].m; // 1 4 / 9 16
    float2x2 c = (frames[0].m * 2) * frames[1].m;                     // 8 12 / 12 8
    return float4(b._11, b._22, a._21, c._12);
}
