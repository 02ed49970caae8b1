// tex3D reads slice z of a volume, rows top first, and AddressW places w
// as AddressU places u: w = 1.25 on two slices reads slice 0 (Wrap), 1
// (Mirror, Clamp, MirrorOnce) or the border colour. Texel (x, y, z) holds
// (255 x, 255 y, 255 z, 255); the last pixel reads texel (0, 1, 0).
//? texture slices.dds volume 2x2x2 rgba8
//? texels 0 0 0 255  255 0 0 255  0 255 0 255  255 255 0 255
//? texels 0 0 255 255  255 0 255 255  0 255 255 255  255 255 255 255
//? entry ps_2_0 main()
//? size 6 1
//? abs 0.002
//? expect at 0 0 = 1 0 0 1
//? expect at 1 0 = 1 0 1 1
//? expect at 2 0 = 1 0 1 1
//? expect at 3 0 = 0.0627451 0.12549 0.188235 1
//? expect at 4 0 = 1 0 1 1
//? expect at 5 0 = 0 1 0 1
texture Volume < string ResourceName = "slices.dds"; >;
sampler3D SWrap = sampler_state { Texture = <Volume>; AddressW = Wrap; BorderColor = 0xFF102030; };
sampler3D SMirror = sampler_state { Texture = <Volume>; AddressW = Mirror; BorderColor = 0xFF102030; };
sampler3D SClamp = sampler_state { Texture = <Volume>; AddressW = Clamp; BorderColor = 0xFF102030; };
sampler3D SBorder = sampler_state { Texture = <Volume>; AddressW = Border; BorderColor = 0xFF102030; };
sampler3D SMirrorOnce = sampler_state { Texture = <Volume>; AddressW = MirrorOnce; BorderColor = 0xFF102030; };
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float i = floor(uv.x * 6 + 0.5);
    if (i < 1) return tex3D(SWrap, float3(0.75, 0.25, 1.25));
    if (i < 2) return tex3D(SMirror, float3(0.75, 0.25, 1.25));
    if (i < 3) return tex3D(SClamp, float3(0.75, 0.25, 1.25));
    if (i < 4) return tex3D(SBorder, float3(0.75, 0.25, 1.25));
    if (i < 5) return tex3D(SMirrorOnce, float3(0.75, 0.25, 1.25));
    return tex3D(SWrap, float3(0.25, 0.75, 0.25));
}
