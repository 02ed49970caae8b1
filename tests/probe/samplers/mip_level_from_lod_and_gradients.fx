// The level a read takes: its lod (tex2Dlod's w, or the log2 of tex2Dgrad's
// larger gradient in texels) rounded to the nearest level by a Point mip
// filter, blended between two by Linear, always the top by None; clamped to
// the chain and to MaxMipLevel, the largest level a sampler may use (with
// None, the level it reads). Level L
// of the 8 x 8 texture reads 64 L / 255 in red: each pixel shows the level
// it read.
//? texture levels.dds 2d 8x8 rgba8 4
//? texels 0 0 0 255 *64
//? texels 64 0 0 255 *16
//? texels 128 0 0 255 *4
//? texels 192 0 0 255
//? entry ps_3_0 main()
//? size 12 1
//? abs 0.004
//? expect at 0 0 = 1 0 0 3.984375
//? expect at 1 0 = 2 0 0 3.984375
//? expect at 2 0 = 3 0 0 3.984375
//? expect at 3 0 = 0 0 0 3.984375
//? expect at 4 0 = 1.25 0 0 3.984375
//? expect at 5 0 = 0 0 0 3.984375
//? expect at 6 0 = 2 0 0 3.984375
//? expect at 7 0 = 3 0 0 3.984375
//? expect at 8 0 = 1 0 0 3.984375
//? expect at 9 0 = 2 0 0 3.984375
//? expect at 10 0 = 0 0 0 3.984375
//? expect at 11 0 = 2 0 0 3.984375
texture Levels < string ResourceName = "levels.dds"; >;
sampler S0 = sampler_state { Texture = <Levels>; MipFilter = Point;  };
sampler S1 = sampler_state { Texture = <Levels>; MipFilter = Point;  };
sampler S2 = sampler_state { Texture = <Levels>; MipFilter = Point;  };
sampler S3 = sampler_state { Texture = <Levels>; MipFilter = Point;  };
sampler S4 = sampler_state { Texture = <Levels>; MipFilter = Linear;  };
sampler S5 = sampler_state { Texture = <Levels>; MipFilter = None;  };
sampler S6 = sampler_state { Texture = <Levels>; MipFilter = Point; MaxMipLevel = 2; };
sampler S7 = sampler_state { Texture = <Levels>; MipFilter = Point; MaxMipLevel = 1; };
sampler S8 = sampler_state { Texture = <Levels>; MipFilter = Point;  };
sampler S9 = sampler_state { Texture = <Levels>; MipFilter = Point;  };
sampler S10 = sampler_state { Texture = <Levels>; MipFilter = None;  };
sampler S11 = sampler_state { Texture = <Levels>; MipFilter = None; MaxMipLevel = 2; };
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float i = floor(uv.x * 12 + 0.5);
    if (i < 1) return tex2Dlod(S0, float4(0.5, 0.5, 0, 1.4)) * 255 / 64;
    if (i < 2) return tex2Dlod(S1, float4(0.5, 0.5, 0, 1.6)) * 255 / 64;
    if (i < 3) return tex2Dlod(S2, float4(0.5, 0.5, 0, 9)) * 255 / 64;
    if (i < 4) return tex2Dlod(S3, float4(0.5, 0.5, 0, -2)) * 255 / 64;
    if (i < 5) return tex2Dlod(S4, float4(0.5, 0.5, 0, 1.25)) * 255 / 64;
    if (i < 6) return tex2Dlod(S5, float4(0.5, 0.5, 0, 2)) * 255 / 64;
    if (i < 7) return tex2Dlod(S6, float4(0.5, 0.5, 0, 0)) * 255 / 64;
    if (i < 8) return tex2Dlod(S7, float4(0.5, 0.5, 0, 3)) * 255 / 64;
    if (i < 9) return tex2Dgrad(S8, float2(0.5, 0.5), float2(0.25, 0), float2(0, 0.25)) * 255 / 64;
    if (i < 10) return tex2Dgrad(S9, float2(0.5, 0.5), float2(0, 0.5), float2(0.5, 0)) * 255 / 64;
    if (i < 11) return tex2Dgrad(S10, float2(0.5, 0.5), float2(1, 0), float2(0, 1)) * 255 / 64;
    if (i < 12) return tex2Dlod(S11, float4(0.5, 0.5, 0, 0)) * 255 / 64;
    return 0;
}
