// ps_2_b lifts ps_2_0's limit on the number of reads, not the one on how
// deep they depend on each other.
//? error 13 texture reads dependent 6 levels deep, ps_2_b takes at most 4
sampler2D S;
float4 main(float2 t : TEXCOORD0) : COLOR0
{
    float4 c = tex2D(S, t);
    for (int i = 0; i < 5; i++)
        c = tex2D(S, c.xy);
    return c;
}
technique B {
    pass P { PixelShader = compile ps_2_b main(); }
}
