// technique10 and technique11 are keywords only in those spellings;
// "technique" is one in any case.
//? expect 0.5 0.25 0 1
float4 Technique10 = float4(0.5, 0, 0, 0);
float4 TECHNIQUE11 = float4(0, 0.25, 0, 1);
float4 vs_main(float4 p : POSITION) : POSITION { return p; }
float4 ps_main() : COLOR0 { return Technique10 + TECHNIQUE11; }
TECHNIQUE T { pass P { VertexShader = compile vs_3_0 vs_main(); PixelShader = compile ps_3_0 ps_main(); } }
