// What a constant argument rules out is not compiled: no gradient is left
// for ps_2_0 to lack.
//? entry ps_2_0 main()
//? expect 0.5 0.5 0.5 0.5
float4 Shade(float2 uv, uniform int quality)
{
    if (quality > 0)
        return ddx(uv.x) + fwidth(uv.y);
    return 0.5;
}
float4 main(float4 uv : TEXCOORD0) : COLOR0
{
    return Shade(uv.xy, 0);
}
