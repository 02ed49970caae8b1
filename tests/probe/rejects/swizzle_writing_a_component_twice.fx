// A swizzle that is written to names each component once.
//? entry ps_3_0 main()
//? error 8 twice
float4 main() : COLOR0
{
    float4 v = 0;
    v.xy = float2(1, 2);
    v.zz = float2(3, 4);
    return v;
}
