// Samplers take s registers.
//? entry ps_3_0 main()
//? error 4 's' is a sampler: it is bound to an s register, not 'c0'
sampler2D s : register(c0);
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(s, uv);
}
