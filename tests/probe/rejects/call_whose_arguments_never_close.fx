// A call whose argument list never closes is glslang's error at it; the
// function around it, whose body then never closes either, is still the
// entry point the message names.
//? error 6 Expected
void f(float2 v) { }
float4 main() : COLOR0 { float x = 1; f(x, ; return 0; }
technique T { pass P { PixelShader = compile ps_3_0 main(); } }
