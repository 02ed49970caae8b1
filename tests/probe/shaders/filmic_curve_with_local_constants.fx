// A filmic tone curve in a helper with local const coefficients, applied
// to a colour and to the white point, then a gamma of 1 / 2.2.
//? entry ps_2_0 main()
//? size 4 4
//? abs 2e-4
//? expect at 0 0 = 0 0 0.857607 1
//? expect at 1 0 = 0.857607 0 0.857607 1
//? expect at 2 0 = 0.961871 0 0.857607 1
//? expect at 3 0 = 1.00684 0 0.857607 1
//? expect at 0 1 = 0 0.857607 0.857607 1
//? expect at 1 1 = 0.857607 0.857607 0.857607 1
//? expect at 2 1 = 0.961871 0.857607 0.857607 1
//? expect at 3 1 = 1.00684 0.857607 0.857607 1
//? expect at 0 2 = 0 0.961871 0.857607 1
//? expect at 1 2 = 0.857607 0.961871 0.857607 1
//? expect at 2 2 = 0.961871 0.961871 0.857607 1
//? expect at 3 2 = 1.00684 0.961871 0.857607 1
//? expect at 0 3 = 0 1.00684 0.857607 1
//? expect at 1 3 = 0.857607 1.00684 0.857607 1
//? expect at 2 3 = 0.961871 1.00684 0.857607 1
//? expect at 3 3 = 1.00684 1.00684 0.857607 1
float3 Curve(float3 x)
{
    const float A = 0.15, B = 0.50, C = 0.10, D = 0.20, E = 0.02, F = 0.30;
    return ((x * (A * x + C * B) + D * E) / (x * (A * x + B) + D * F)) - E / F;
}
float4 main(float2 uv : TEXCOORD0) : COLOR
{
    float3 texColor = float3(uv * 8, 2);
    float ExposureBias = 2.0f;
    float3 curr = Curve(ExposureBias * texColor);
    float3 whiteScale = 1.0f / Curve(11.2);
    return float4(pow(curr * whiteScale, 1 / 2.2), 1);
}
