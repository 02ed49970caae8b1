// A texture read at a given level (tex*lod) needs ps_3_0 or vs_3_0.
//? entry ps_2_b main()
//? error 7 'tex2Dlod' is not available in ps_2_b
sampler2D s;
float4 main(float4 uv : TEXCOORD0) : COLOR0
{
    return tex2Dlod(s, float4(uv.xy, 0, 0));
}
