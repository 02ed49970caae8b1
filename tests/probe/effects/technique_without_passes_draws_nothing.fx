// Direct3D 9 takes a technique without passes; Begin gives 0 passes, and
// the program draws pass 0 of the first technique: nothing.
//? warning 6 technique 'Empty' has no passes; nothing is drawn with it
//? expect 0 0 0 0
float4 ps_main() : COLOR0 { return float4(0, 1, 0, 1); }
technique Empty < string Note = "none"; > { }
technique Drawn { pass { PixelShader = compile ps_2_0 ps_main(); } }
