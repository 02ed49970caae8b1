// A swizzle written to names each component once, a matrix's as a vector's.
//? entry ps_3_0 main()
//? error 7 '_m01_m01': a swizzle that is written to names a component twice
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float2x2 m = 0;
    m._m01_m01 = uv;
    return m[0].xyxy;
}
