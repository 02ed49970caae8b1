// Each binding of its kind: a sampler on s1, a float4 on c2, a global's and
// a cbuffer's member's packoffset.
//? entry ps_3_0 main()
//? ps c2 = 0.25 0 0 1
//? ps c3 = 0 0 0.75 0
//? ps c4 = 0 0.5 0 0
//? expect 0.25 0.5 0.75 1
sampler2D s : register(s1);
float4 tint : register(c2);
float4 green : packoffset(c4);
cbuffer More { float4 more : packoffset(c3); }
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return tint + green + more + 0 * tex2D(s, uv);
}
