// ps_4_0_level_9_3 is a ps_2_x: it has the gradient instructions; the
// vertex stage takes vs_4_0_level_9_3 as vs_2_a.
//? abs 1e-6
//? expect 0.25 0 0 0.25
float4 vs_main(float4 p : POSITION, inout float4 uv : TEXCOORD0) : POSITION { return p; }
float4 ps_main(float4 uv : TEXCOORD0) : COLOR0
{
    return float4(ddx(uv.x), ddx(uv.y), ddy(uv.x), ddy(uv.y));
}
technique T { pass P { VertexShader = compile vs_4_0_level_9_3 vs_main();
                       PixelShader = compile ps_4_0_level_9_3 ps_main(); } }
