// A struct of samplers only, passed to a function: its samplers go in its
// place; a call of another overload, of a number, is left as it is.
//? ps c0 = 0.5 0 0 0
//? expect 0.25 0.25 0.25 0.25
struct OnlyS { sampler2D s; };
OnlyS o;
float k;
float4 f(OnlyS x) { return tex2D(x.s, float2(0.5, 0.5)) * 0; }
float4 f(float x) { return x * 0.5; }
float4 main() : COLOR0 { return f(o) + f(k); }
technique T { pass { PixelShader = compile ps_3_0 main(); } }
