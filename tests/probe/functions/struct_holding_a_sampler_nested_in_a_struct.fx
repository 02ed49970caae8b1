// A struct holding a sampler inside another struct: the outer one's
// members take their registers in order, and the inner one passes to a
// function as a struct of its own.
//? ps c0 = 0.25 0 0 0  0.5 0 0 0
//? expect 0.75 0.5 0.5 0.5
struct Material { float k; sampler2D s; };
struct Outer { float4 a; Material inner; };
Outer o;
float4 shade(Material mat) { return tex2D(mat.s, float2(0.5, 0.5)) * 0 + mat.k; }
float4 main() : COLOR0 { return shade(o.inner) + o.a; }
technique T { pass { PixelShader = compile ps_3_0 main(); } }
