//! args -T ps_2_0
//! line   pixel: ps_2_0 main()
// The techniques name a missing function and a profile this entry point
// cannot take: a compile of one shader never compiles them.
float4 main(float4 c : COLOR0) : COLOR0 { return c; }
technique First { pass P { PixelShader = compile ps_2_0 missing(); } }
technique Second { pass P { VertexShader = compile vs_3_0 main(); } }
