// A fifth level of dependent reads is past ps_2_0: an error at the compile
// statement that says how deep the reads go.
//? error 15 texture reads dependent 5 levels deep, ps_2_0 takes at most 4
sampler2D S;
float4 main(float2 t : TEXCOORD0) : COLOR0
{
    float4 c = tex2D(S, t);
    c = tex2D(S, c.xy);
    c = tex2D(S, c.yx);
    c = tex2D(S, c.zw);
    c = tex2D(S, c.xy);
    return c;
}
technique T {
    pass P { PixelShader = compile ps_2_0 main(); }
}
