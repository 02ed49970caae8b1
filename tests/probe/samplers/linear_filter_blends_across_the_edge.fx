// Linear filtering takes the two texels around u - half a texel; at the
// edges the address mode says which the outer one is (the last texel for
// Wrap, the first again for Mirror and Clamp, the border colour for Border).
// Rows: Wrap, Mirror, Clamp, Border, MirrorOnce; columns u = 0, 0.53125,
// 1.0625.
//? texture grid.dds 2d 4x4 rgba8
//? texels 0 0 40 255  80 0 40 255  160 0 40 255  240 0 40 255
//? texels 0 80 40 255  80 80 40 255  160 80 40 255  240 80 40 255
//? texels 0 160 40 255  80 160 40 255  160 160 40 255  240 160 40 255
//? texels 0 240 40 255  80 240 40 255  160 240 40 255  240 240 40 255
//? entry ps_3_0 main()
//? size 3 5
//? abs 0.004
//? expect at 0 0 = 0.470588 0.627451 0.156863 1
//? expect at 1 0 = 0.509804 0.627451 0.156863 1
//? expect at 2 0 = 0.235294 0.627451 0.156863 1
//? expect at 0 1 = 0 0.627451 0.156863 1
//? expect at 1 1 = 0.509804 0.627451 0.156863 1
//? expect at 2 1 = 0.941176 0.627451 0.156863 1
//? expect at 0 2 = 0 0.627451 0.156863 1
//? expect at 1 2 = 0.509804 0.627451 0.156863 1
//? expect at 2 2 = 0.941176 0.627451 0.156863 1
//? expect at 0 3 = 0.0313725 0.376471 0.172549 1
//? expect at 1 3 = 0.509804 0.627451 0.156863 1
//? expect at 2 3 = 0.282353 0.25098 0.180392 1
//? expect at 0 4 = 0 0.627451 0.156863 1
//? expect at 1 4 = 0.509804 0.627451 0.156863 1
//? expect at 2 4 = 0.941176 0.627451 0.156863 1
texture Grid < string ResourceName = "grid.dds"; >;
sampler SWrap = sampler_state { Texture = <Grid>; MinFilter = Linear; MagFilter = Linear; AddressU = Wrap; AddressV = Clamp; BorderColor = 0xFF102030; };
sampler SMirror = sampler_state { Texture = <Grid>; MinFilter = Linear; MagFilter = Linear; AddressU = Mirror; AddressV = Clamp; BorderColor = 0xFF102030; };
sampler SClamp = sampler_state { Texture = <Grid>; MinFilter = Linear; MagFilter = Linear; AddressU = Clamp; AddressV = Clamp; BorderColor = 0xFF102030; };
sampler SBorder = sampler_state { Texture = <Grid>; MinFilter = Linear; MagFilter = Linear; AddressU = Border; AddressV = Clamp; BorderColor = 0xFF102030; };
sampler SMirrorOnce = sampler_state { Texture = <Grid>; MinFilter = Linear; MagFilter = Linear; AddressU = MirrorOnce; AddressV = Clamp; BorderColor = 0xFF102030; };
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float4 at = float4(0.53125 * floor(uv.x * 3 + 0.5), 0.625, 0, 0);
    float row = floor(uv.y * 5 + 0.5);
    if (row < 1) return tex2Dlod(SWrap, at);
    if (row < 2) return tex2Dlod(SMirror, at);
    if (row < 3) return tex2Dlod(SClamp, at);
    if (row < 4) return tex2Dlod(SBorder, at);
    return tex2Dlod(SMirrorOnce, at);
}
