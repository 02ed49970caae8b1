//? entry ps_3_0 main()
//? error 7 's' is one sampler, not an array of them
sampler2D s;
sampler2D pair[2];
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(pair[1], uv) + tex2D(s[0], uv);
}
