// What each image format reads as: luminance in r, g and b; an alpha-only
// format as black with that alpha; 1 for every other channel a format
// lacks (R32F reads (r, 1, 1, 1), G16R16 (r, g, 1, 1)); 16-bit and float
// channels keep their precision. One format a pixel: l8, a8l8, a8, xrgb8, r5g6b5, g16r16, r16f, rgba16f, r32f, g32r32f, rgba32f.
//? texture l8.dds 2d 1x1 l8
//? texels 51
//? texture a8l8.dds 2d 1x1 a8l8
//? texels 51 102
//? texture a8.dds 2d 1x1 a8
//? texels 102
//? texture xrgb8.dds 2d 1x1 xrgb8
//? texels 51 102 153
//? texture r5g6b5.dds 2d 1x1 r5g6b5
//? texels 31 21 0
//? texture g16r16.dds 2d 1x1 g16r16
//? texels 32768 13107
//? texture r16f.dds 2d 1x1 r16f
//? texels 0.375
//? texture rgba16f.dds 2d 1x1 rgba16f
//? texels 0.5 -2 3.25 0.125
//? texture r32f.dds 2d 1x1 r32f
//? texels 1.75
//? texture g32r32f.dds 2d 1x1 g32r32f
//? texels 1.75 -0.25
//? texture rgba32f.dds 2d 1x1 rgba32f
//? texels 1.75 -0.25 100 0.5
//? entry ps_3_0 main()
//? size 11 1
//? abs 0.0005
//? expect at 0 0 = 0.2 0.2 0.2 1
//? expect at 1 0 = 0.2 0.2 0.2 0.4
//? expect at 2 0 = 0 0 0 0.4
//? expect at 3 0 = 0.2 0.4 0.6 1
//? expect at 4 0 = 1 0.333333 0 1
//? expect at 5 0 = 0.500008 0.2 1 1
//? expect at 6 0 = 0.375 1 1 1
//? expect at 7 0 = 0.5 -2 3.25 0.125
//? expect at 8 0 = 1.75 1 1 1
//? expect at 9 0 = 1.75 -0.25 1 1
//? expect at 10 0 = 1.75 -0.25 100 0.5
texture T0 < string ResourceName = "l8.dds"; >;
sampler S0 = sampler_state { Texture = <T0>; };
texture T1 < string ResourceName = "a8l8.dds"; >;
sampler S1 = sampler_state { Texture = <T1>; };
texture T2 < string ResourceName = "a8.dds"; >;
sampler S2 = sampler_state { Texture = <T2>; };
texture T3 < string ResourceName = "xrgb8.dds"; >;
sampler S3 = sampler_state { Texture = <T3>; };
texture T4 < string ResourceName = "r5g6b5.dds"; >;
sampler S4 = sampler_state { Texture = <T4>; };
texture T5 < string ResourceName = "g16r16.dds"; >;
sampler S5 = sampler_state { Texture = <T5>; };
texture T6 < string ResourceName = "r16f.dds"; >;
sampler S6 = sampler_state { Texture = <T6>; };
texture T7 < string ResourceName = "rgba16f.dds"; >;
sampler S7 = sampler_state { Texture = <T7>; };
texture T8 < string ResourceName = "r32f.dds"; >;
sampler S8 = sampler_state { Texture = <T8>; };
texture T9 < string ResourceName = "g32r32f.dds"; >;
sampler S9 = sampler_state { Texture = <T9>; };
texture T10 < string ResourceName = "rgba32f.dds"; >;
sampler S10 = sampler_state { Texture = <T10>; };
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float i = floor(uv.x * 11 + 0.5);
    float2 c = float2(0.5, 0.5);
    if (i < 1) return tex2D(S0, c);
    if (i < 2) return tex2D(S1, c);
    if (i < 3) return tex2D(S2, c);
    if (i < 4) return tex2D(S3, c);
    if (i < 5) return tex2D(S4, c);
    if (i < 6) return tex2D(S5, c);
    if (i < 7) return tex2D(S6, c);
    if (i < 8) return tex2D(S7, c);
    if (i < 9) return tex2D(S8, c);
    if (i < 10) return tex2D(S9, c);
    return tex2D(S10, c);
}
