// A profile that is a bare name, not a profile's shape, is likely a macro
// the effect's host program defines.
//? error 6 unknown profile 'PS_PROFILE': is it a macro your host program defines? (-D PS_PROFILE=ps_2_0)
float4 vs_main(float4 p : POSITION) : POSITION { return float4(p.xyz, 1); }
float4 ps_main() : COLOR0 { return 0.5; }
technique T { pass P { VertexShader = compile vs_3_0 vs_main(); PixelShader = compile PS_PROFILE ps_main(); } }
