// The three fog factors of the era: linear between start and end, the
// squared exponential, and height fog through exp2.
//? entry ps_2_0 main()
//? size 4 4
//? abs 2e-4
//? expect at 0 0 = 1 1 0 1
//? expect at 1 0 = 0.833333 0.778801 0.292893 1
//? expect at 2 0 = 0.555556 0.367879 0.5 1
//? expect at 3 0 = 0.277778 0.105399 0.646447 1
//? expect at 0 1 = 1 1 0 1
//? expect at 1 1 = 0.833333 0.778801 0.159104 1
//? expect at 2 1 = 0.555556 0.367879 0.292893 1
//? expect at 3 1 = 0.277778 0.105399 0.405396 1
//? expect at 0 2 = 1 1 0 1
//? expect at 1 2 = 0.833333 0.778801 0 1
//? expect at 2 2 = 0.555556 0.367879 0 1
//? expect at 3 2 = 0.277778 0.105399 0 1
//? expect at 0 3 = 1 1 0 1
//? expect at 1 3 = 0.833333 0.778801 0 1
//? expect at 2 3 = 0.555556 0.367879 0 1
//? expect at 3 3 = 0.277778 0.105399 0 1
float FogStart = 10, FogEnd = 100, FogDensity = 0.02, FogHeight = 2.0;
float4 main(float2 uv : TEXCOORD0) : COLOR
{
    float d = uv.x * 100;
    float lin = saturate((FogEnd - d) / (FogEnd - FogStart));
    float e2 = exp(-pow(FogDensity * d, 2));
    float hf = saturate((FogHeight - uv.y * 4) / FogHeight);
    float h = 1 - exp2(-d * FogDensity * hf);
    return float4(lin, e2, h, 1);
}
