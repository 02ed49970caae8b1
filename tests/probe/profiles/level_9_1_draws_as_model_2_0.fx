// Both level-9_1 profiles compile and draw, with ps_2_0's constant registers.
//? ps c3 = 0.5 0.25 1 1
//? expect 0.5 0.25 1 1
float4 tint : register(c3);
float4 vs_main(float4 p : POSITION) : POSITION { return p; }
float4 ps_main() : COLOR0 { return tint; }
technique T { pass P { VertexShader = compile vs_4_0_level_9_1 vs_main();
                       PixelShader = compile ps_4_0_level_9_1 ps_main(); } }
