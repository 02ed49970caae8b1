// ps_2_0 unrolls a loop: a read of the last iteration's result deepens
// with each one. Four iterations after the first read are five levels.
//? error 13 texture reads dependent 5 levels deep, ps_2_0 takes at most 4
sampler2D S;
float4 main(float2 t : TEXCOORD0) : COLOR0
{
    float4 c = tex2D(S, t);
    for (int i = 0; i < 4; i++)
        c = tex2D(S, c.xy);
    return c;
}
technique T {
    pass P { PixelShader = compile ps_4_0_level_9_1 main(); }
}
