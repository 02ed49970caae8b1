// 60 multiply-adds fit ps_2_0; what only uniforms decide (the effect's
// preshader computes it) and what no output uses are not counted.
//? entry ps_2_0 main()
//? ps c0 = 0.5 0.5 0.5 0.5
//? abs 0.001
//? expect 1 1 1 1
float4 k;
float4 main(float4 t : TEXCOORD0) : COLOR0
{
    float4 u = k, unused = t, c = 0.5;
    for (int i = 0; i < 100; i++) {
        u = u * k + k.yzwx * 0.5;
        unused = unused * k + unused.yzwx;
    }
    for (int j = 0; j < 60; j++)
        c = c * k + 0.25 * t.w;
    return c + u;
}
