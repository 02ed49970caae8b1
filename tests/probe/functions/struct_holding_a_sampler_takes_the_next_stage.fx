// A struct's sampler takes the next stage after the samplers declared
// before it: the pass's Texture[1] reaches it, through a function.
//? texture swatch.dds 2d 1x1 rgba8
//? texels 64 128 192 255
//? abs 0.002
//? ps c0 = 1 0 0 0
//? expect 0.25098 0.501961 0.752941 1
texture Swatch < string ResourceName = "swatch.dds"; >;
sampler2D First;
struct Material { float k; sampler2D s; };
Material m;
float4 shade(Material mat) { return tex2D(mat.s, float2(0.5, 0.5)) * mat.k; }
float4 main() : COLOR0 { return tex2D(First, float2(0.5, 0.5)) * 0 + shade(m); }
technique T { pass { PixelShader = compile ps_3_0 main(); Texture[1] = <Swatch>; } }
