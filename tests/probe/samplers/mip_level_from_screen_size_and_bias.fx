// An 8 x 8 texture drawn on 2 x 2 pixels is read at lod 2; tex2Dbias adds
// its w, MipMapLodBias adds its own, and MaxMipLevel keeps the levels above
// it out. Level L reads 64 L / 255 in red; the channels show the levels of
// four reads: plain, tex2Dbias -1, MipMapLodBias 1, MaxMipLevel 3 with a
// tex2Dbias of -3.
//? texture levels.dds 2d 8x8 rgba8 4
//? texels 0 0 0 255 *64
//? texels 64 0 0 255 *16
//? texels 128 0 0 255 *4
//? texels 192 0 0 255
//? entry ps_2_0 main()
//? size 2 2
//? abs 0.004
//? expect 2 1 3 3
texture Levels < string ResourceName = "levels.dds"; >;
sampler Plain = sampler_state { Texture = <Levels>; MipFilter = Point; };
sampler Biased = sampler_state { Texture = <Levels>; MipFilter = Point; MipMapLodBias = 1.0; };
sampler Small = sampler_state { Texture = <Levels>; MipFilter = Point; MaxMipLevel = 3; };
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float4 level = float4(tex2D(Plain, uv).r, tex2Dbias(Plain, float4(uv, 0, -1)).r,
                          tex2D(Biased, uv).r, tex2Dbias(Small, float4(uv, 0, -3)).r);
    return level * 255 / 64;
}
