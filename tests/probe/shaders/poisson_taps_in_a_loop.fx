// A PCF-style loop over static const Poisson offsets scaled by a global,
// a comparison per tap adding a quarter each, unrolled in ps_2_0.
//? entry ps_2_0 main()
//? size 4 4
//? abs 1e-4
//? expect at 0 0 = 0 0 0 1
//? expect at 1 0 = 0 0 0 1
//? expect at 2 0 = 0 0 0 1
//? expect at 3 0 = 0 0 0 1
//? expect at 0 1 = 0 0 0 1
//? expect at 1 1 = 0.25 0 0 1
//? expect at 2 1 = 0.25 0 0 1
//? expect at 3 1 = 0.25 0 0 1
//? expect at 0 2 = 0 0 0 1
//? expect at 1 2 = 0.5 0 0 1
//? expect at 2 2 = 1 0 0 1
//? expect at 3 2 = 1 0 0 1
//? expect at 0 3 = 0.25 0 0 1
//? expect at 1 3 = 0.75 0 0 1
//? expect at 2 3 = 1 0 0 1
//? expect at 3 3 = 1 0 0 1
static const float2 PoissonOffsets[4] = {
    float2(-0.94201624, -0.39906216),
    float2(0.94558609, -0.76890725),
    float2(-0.094184101, -0.92938870),
    float2(0.34495938, 0.29387760)
};
float2 MapSize = float2(4, 4);
float4 main(float2 uv : TEXCOORD0) : COLOR
{
    float lit = 0;
    for (int i = 0; i < 4; i++)
    {
        float2 p = uv + PoissonOffsets[i] / MapSize;
        lit += (p.x * p.y < 0.1) ? 0.0f : 0.25f;
    }
    return float4(lit, 0, 0, 1);
}
