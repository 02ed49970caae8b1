// A function may be named VertexShader or PixelShader, and a pass compiles
// it by that name.
//? expect 0.5 0.25 1 1
float4 VertexShader(float4 p : POSITION) : POSITION { return p; }
float4 PixelShader() : COLOR0 { return float4(0.5, 0.25, 1, 1); }
technique T { pass P { VertexShader = compile vs_2_0 VertexShader();
                       PixelShader = compile ps_2_0 PixelShader(); } }
