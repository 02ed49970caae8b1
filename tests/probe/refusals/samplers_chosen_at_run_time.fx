// A texture read names its sampler; '?:' cannot pick one.
//? entry ps_3_0 main()
//? error 8 cannot choose between samplers
sampler2D a;
sampler2D b;
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(uv.x > 0.5 ? a : b, uv);
}
