// A static sampler or texture is a sampler or texture as any other: its
// sampler_state block and its image apply.
//? texture red.dds 2d 1x1 rgba8
//? texels 255 0 0 255
//? expect 1 0 0 1
static texture Tex < string ResourceName = "red.dds"; >;
static sampler2D S = sampler_state { Texture = <Tex>; MinFilter = Point; };
float4 ps_main() : COLOR0 { return tex2D(S, float2(0.5, 0.5)); }
technique T { pass { PixelShader = compile ps_2_0 ps_main(); } }
