// A macro may name the profile in a compile statement.
//? expect 0.5 0.5 0.5 0.5
#define PS_MODEL ps_3_0
float4 vs_main(float4 p : POSITION) : POSITION { return float4(p.xyz, 1); }
float4 ps_main() : COLOR0 { return 0.5; }
technique T { pass P { VertexShader = compile vs_3_0 vs_main(); PixelShader = compile PS_MODEL ps_main(); } }
