// Each address mode on U (a row each: Wrap, Mirror, Clamp, Border with a
// border colour given as an ARGB word, MirrorOnce), point sampled at texel
// centres from u = -1.375 to 2.375 (a column each): Mirror turns every other
// copy of the texture around, MirrorOnce mirrors once about 0 and then
// clamps. Texel (x, y) of the 4 x 4 texture holds (80 x, 80 y, 40, 255).
//? texture grid.dds 2d 4x4 rgba8
//? texels 0 0 40 255  80 0 40 255  160 0 40 255  240 0 40 255
//? texels 0 80 40 255  80 80 40 255  160 80 40 255  240 80 40 255
//? texels 0 160 40 255  80 160 40 255  160 160 40 255  240 160 40 255
//? texels 0 240 40 255  80 240 40 255  160 240 40 255  240 240 40 255
//? entry ps_3_0 main()
//? size 6 5
//? abs 0.002
//? expect at 0 0 = 0.627451 0.627451 0.156863 1
//? expect at 1 0 = 0.313725 0.627451 0.156863 1
//? expect at 2 0 = 0 0.627451 0.156863 1
//? expect at 3 0 = 0.941176 0.627451 0.156863 1
//? expect at 4 0 = 0.627451 0.627451 0.156863 1
//? expect at 5 0 = 0.313725 0.627451 0.156863 1
//? expect at 0 1 = 0.627451 0.627451 0.156863 1
//? expect at 1 1 = 0.627451 0.627451 0.156863 1
//? expect at 2 1 = 0 0.627451 0.156863 1
//? expect at 3 1 = 0.941176 0.627451 0.156863 1
//? expect at 4 1 = 0.313725 0.627451 0.156863 1
//? expect at 5 1 = 0.313725 0.627451 0.156863 1
//? expect at 0 2 = 0 0.627451 0.156863 1
//? expect at 1 2 = 0 0.627451 0.156863 1
//? expect at 2 2 = 0 0.627451 0.156863 1
//? expect at 3 2 = 0.941176 0.627451 0.156863 1
//? expect at 4 2 = 0.941176 0.627451 0.156863 1
//? expect at 5 2 = 0.941176 0.627451 0.156863 1
//? expect at 0 3 = 0.0627451 0.12549 0.188235 1
//? expect at 1 3 = 0.0627451 0.12549 0.188235 1
//? expect at 2 3 = 0 0.627451 0.156863 1
//? expect at 3 3 = 0.941176 0.627451 0.156863 1
//? expect at 4 3 = 0.0627451 0.12549 0.188235 1
//? expect at 5 3 = 0.0627451 0.12549 0.188235 1
//? expect at 0 4 = 0.941176 0.627451 0.156863 1
//? expect at 1 4 = 0.627451 0.627451 0.156863 1
//? expect at 2 4 = 0 0.627451 0.156863 1
//? expect at 3 4 = 0.941176 0.627451 0.156863 1
//? expect at 4 4 = 0.941176 0.627451 0.156863 1
//? expect at 5 4 = 0.941176 0.627451 0.156863 1
texture Grid < string ResourceName = "grid.dds"; >;
sampler SWrap = sampler_state { Texture = <Grid>; AddressU = Wrap; AddressV = Clamp; BorderColor = 0xFF102030; };
sampler SMirror = sampler_state { Texture = <Grid>; AddressU = Mirror; AddressV = Clamp; BorderColor = 0xFF102030; };
sampler SClamp = sampler_state { Texture = <Grid>; AddressU = Clamp; AddressV = Clamp; BorderColor = 0xFF102030; };
sampler SBorder = sampler_state { Texture = <Grid>; AddressU = Border; AddressV = Clamp; BorderColor = 0xFF102030; };
sampler SMirrorOnce = sampler_state { Texture = <Grid>; AddressU = MirrorOnce; AddressV = Clamp; BorderColor = 0xFF102030; };
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float4 at = float4(-1.375 + 0.75 * floor(uv.x * 6 + 0.5), 0.625, 0, 0);
    float row = floor(uv.y * 5 + 0.5);
    if (row < 1) return tex2Dlod(SWrap, at);
    if (row < 2) return tex2Dlod(SMirror, at);
    if (row < 3) return tex2Dlod(SClamp, at);
    if (row < 4) return tex2Dlod(SBorder, at);
    return tex2Dlod(SMirrorOnce, at);
}
