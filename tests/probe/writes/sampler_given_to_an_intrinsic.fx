// A sampler given to an intrinsic that takes values is an error at the
// sampler, which names the intrinsic.
//? entry ps_3_0 main()
//? error 8 'saturate' takes no sampler: 's' is read through tex2D
sampler2D s;
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return saturate(s) * tex2D(s, uv);
}
