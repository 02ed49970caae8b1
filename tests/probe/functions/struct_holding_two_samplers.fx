// Two sampler members take a stage each; the number between them its
// c register.
//? ps c0 = 0.5 0 0 0
//? expect 0.5 0.5 0.5 0.5
struct Pair { sampler2D a; float k; sampler2D b; };
Pair p;
float4 main() : COLOR0 { return tex2D(p.a, float2(0.5, 0.5)) * 0 + tex2D(p.b, float2(0.5, 0.5)) * 0 + p.k; }
technique T { pass { PixelShader = compile ps_3_0 main(); } }
