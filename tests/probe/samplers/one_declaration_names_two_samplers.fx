// One declaration may name several samplers, each with its sampler_state:
// the second is a sampler of its own (here the checkerboard of a missing
// image, magenta at texel 0), not part of the first.
//? texture swatch.dds 2d 1x1 rgba8
//? texels 64 128 192 255
//? abs 0.002
//? expect 0.25098 0 0.752941 1
texture Swatch < string ResourceName = "swatch.dds"; >;
texture Checker < string ResourceName = "not_here.png"; >;
sampler2D First = sampler_state { Texture = <Swatch>; }, Second = sampler_state { Texture = <Checker>; MinFilter = Point; MagFilter = Point; };
float4 main() : COLOR0
{
    return tex2D(First, float2(0.5, 0.5)) * tex2D(Second, float2(0.5 / 8, 0.5 / 8));
}
technique T { pass { PixelShader = compile ps_2_0 main(); } }
