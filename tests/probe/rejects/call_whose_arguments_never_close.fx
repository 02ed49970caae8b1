// A call whose argument list never closes is an error at the statement's
// ';'; the loader, tagging the message with its entry point, reads no
// further than the code (it crashed on the body that never closes).
//? error 6 ')' expected before ';'
void f(float2 v) { }
float4 main() : COLOR0 { float x = 1; f(x, ; return 0; }
technique T { pass P { PixelShader = compile ps_3_0 main(); } }
