// Effects kept from the first shader years compile pixel shaders for ps_1_1
// to ps_1_4 (often as a fallback technique). Direct3D 9's later compilers
// build those from HLSL as ps_2_0, with its range and its limits: the
// values below are not held within ps_1_x's [-1, 1].
//? expect 2 -3 0.5 1
float4 Tint = { 4, -6, 1, 2 };
float4 ps_main(float4 c : COLOR0) : COLOR0 { return Tint * 0.5 * c; }
PixelShader Fallbacks[2] = { compile ps_1_4 ps_main(), compile ps_1_3 ps_main() };
technique Legacy11 { pass { PixelShader = compile ps_1_1 ps_main(); } }
technique Legacy14 { pass { PixelShader = (Fallbacks[0]); } }
technique Legacy12 { pass { PixelShader = compile ps_1_2 ps_main(); } }
