// An array of structs that hold samplers: each element's numbers take
// their c registers in order, and an element is passed to a function
// with the sampler at its index.
//? ps c0 = 0.25 0 0 0  0.5 0 0 0
//? expect 0.5 0.5 0.5 0.5
struct Material { float k; sampler2D s; };
Material ms[2];
float4 shade(Material mat) { return tex2D(mat.s, float2(0.5, 0.5)) * 0 + mat.k; }
float4 main() : COLOR0 { return shade(ms[1]); }
technique T { pass { PixelShader = compile ps_3_0 main(); } }
