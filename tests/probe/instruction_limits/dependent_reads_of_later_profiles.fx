// ps_2_a and shader model 3 have no limit on dependent reads; the level
// 9_3 profile reads as ps_2_a.
//? abs 0.01
//? expect 0.5 0.5 0.5 0.5
sampler2D S;
float4 main(float2 t : TEXCOORD0) : COLOR0
{
    float4 c = tex2D(S, t);
    for (int i = 0; i < 5; i++)
        c = tex2D(S, c.xy);
    return c * 0.001 + 0.5;
}
technique A {
    pass P { PixelShader = compile ps_2_a main(); }
    pass Q { PixelShader = compile ps_4_0_level_9_3 main(); }
    pass R { PixelShader = compile ps_3_0 main(); }
}
