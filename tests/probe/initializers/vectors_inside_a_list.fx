// Vectors inside an initializer list count as their components.
//? entry ps_3_0 main()
//? expect at 0 0 = 1 2 3 4
//? expect at 1 0 = 5 6 7 8
float4 main(float4 uv : TEXCOORD0) : COLOR0
{
    float4 a[2] = { float2(1, 2), 3, float3(4, 5, 6), 7, 8 };
    return uv.x < 0.25 ? a[0] : a[1];
}
