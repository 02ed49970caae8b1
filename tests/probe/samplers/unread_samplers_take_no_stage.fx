// A shader's samplers take the stages from 0 up, in the order the effect
// declares them, whatever samplers the effect declares besides: the
// seventeen it never reads take none. Wanted is at stage 0 and reads its
// swatch; Bare is at stage 1, where the pass's Texture[1] puts the
// checkerboard of a missing image (magenta at texel 0).
//? texture swatch.dds 2d 1x1 rgba8
//? texels 64 128 192 255
//? abs 0.002
//? expect 0.25098 0.501961 0.752941 1
texture Swatch < string ResourceName = "swatch.dds"; >;
texture Checker < string ResourceName = "not_here.png"; >;
#define UNREAD(n) sampler2D Unread##n = sampler_state { Texture = <Swatch>; };
UNREAD(0) UNREAD(1) UNREAD(2) UNREAD(3) UNREAD(4) UNREAD(5) UNREAD(6) UNREAD(7) UNREAD(8)
UNREAD(9) UNREAD(10) UNREAD(11) UNREAD(12) UNREAD(13) UNREAD(14) UNREAD(15) UNREAD(16)
sampler2D Wanted = sampler_state { Texture = <Swatch>; MinFilter = Point; MagFilter = Point; };
sampler2D Bare;
float4 main() : COLOR0
{
    float4 w = tex2D(Wanted, float2(0.5, 0.5));
    float4 b = tex2D(Bare, float2(0.5 / 8, 0.5 / 8));
    return float4(w.r * b.r, w.g, w.b * b.b, 1);
}
technique T { pass { PixelShader = compile ps_2_0 main(); Texture[1] = <Checker>; } }
