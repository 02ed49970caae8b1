// [unroll] counts a loop on an input the entry point gave a value before
// it (n is 4: four turns), and a loop on a helper's own parameter that
// merely shares an input's name (three turns).
//? entry ps_3_0 main()
//? expect 0.25 0.1875 0 1
float4 f(float4 v, int n) { [unroll] for (int i = 0; i < n; i++) v.y += 0.0625; return v; }
float4 main(float n : TEXCOORD1) : COLOR0
{
    float4 v = f(float4(0, 0, 0, 1), 3);
    n = 4;
    [unroll] for (int i = 0; i < n; i++) v.x += 0.0625;
    return v;
}
