// The numbers of a uniform struct that holds a sampler sit in c registers
// as any struct's members do; the sampler takes a stage of its own.
//? entry ps_3_0 main()
//? ps c0 = 0.5 0 0 0
//? expect 0.5 0.5 0.5 0.5
struct Material { float k; sampler2D s; };
Material m;
float4 main() : COLOR0 { return tex2D(m.s, float2(0.5, 0.5)) * 0 + m.k; }
