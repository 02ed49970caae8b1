// A uniform struct holding a sampler, read through a function that takes
// the struct: its numbers come from their c registers (a struct's members
// each from a new register, the sampler on its own stage).
//? entry ps_3_0 main()
//? ps c0 = 0.5 0 0 0
//? expect 0.5 0.5 0.5 0.5
struct Material { float k; sampler2D s; };
Material m;
float4 shade(Material mat, float2 uv) { return tex2D(mat.s, uv) * 0 + mat.k; }
float4 main() : COLOR0 { return shade(m, float2(0.5, 0.5)); }
