// An asm shader's constant registers are its own stage's: the HLSL pixel
// shader of another technique still finds Tint at c0, where Direct3D 9's
// compiler puts it.
//? ps c0 = 0.5 0.25 1 1
//? expect 0.5 0.25 1 1
float4 Tint;
PixelShader Old = asm { ps_2_0 def c1, 1, 0, 0, 1 add oC0, c0, c1 };
float4 ps_main() : COLOR0 { return Tint; }
technique Hlsl { pass { PixelShader = compile ps_2_0 ps_main(); } }
technique Asm { pass { PixelShader = (Old); } }
