// vs_3_0 has four samplers: a fifth is an error at its first read.
//? entry vs_3_0 main()
//? error 8 reads at most 4 samplers
sampler2D s0; sampler2D s1; sampler2D s2; sampler2D s3; sampler2D s4;
float4 main(float4 p : POSITION, inout float4 t : TEXCOORD0) : POSITION
{
    t = tex2Dlod(s0, p) + tex2Dlod(s1, p) + tex2Dlod(s2, p) + tex2Dlod(s3, p);
    t += tex2Dlod(s4, p);
    return p;
}
