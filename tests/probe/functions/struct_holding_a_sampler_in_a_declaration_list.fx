// Each variable of a declaration list gets its own samplers: a.s takes
// stage 0, b.s stage 1, where the pass's Texture[1] reaches it.
//? texture swatch.dds 2d 1x1 rgba8
//? texels 64 128 192 255
//? abs 0.002
//? ps c0 = 0.5 0 0 0
//? ps c1 = 1 0 0 0
//? expect 0.25098 0.501961 0.752941 1
texture Swatch < string ResourceName = "swatch.dds"; >;
struct Material { float k; sampler2D s; };
Material a, b;
float4 main() : COLOR0 { return tex2D(a.s, float2(0.5, 0.5)) * 0 * a.k + tex2D(b.s, float2(0.5, 0.5)) * b.k; }
technique T { pass { PixelShader = compile ps_3_0 main(); Texture[1] = <Swatch>; } }
