// A sampler_state that sets nothing but its texture samples as Direct3D 9's
// defaults say: Point min and mag filters (no blend between texels), no mip
// filter (the top level, also for tex2Dlod's level 2), Wrap addressing.
// Level 0 of the 4 x 4 texture is a column of each grey 0, 85, 170, 255
// across u, its levels 1 and 2 are green.
//? entry ps_3_0 main()
//? size 4 1
//? abs 0.002
//? texture m.dds 2d 4x4 rgba8 3
//? texels 0 0 0 255  85 85 85 255  170 170 170 255  255 255 255 255 *4
//? texels 0 255 0 255 *4
//? texels 0 255 0 255
//? expect at 0 0 = 0.333333 1 0 1
//? expect at 1 0 = 0.333333 1 0.666667 1
//? expect at 2 0 = 1 0.333333 0.666667 1
//? expect at 3 0 = 0 0 0.333333 1
texture T < string ResourceName = "m.dds"; >;
sampler2D S = sampler_state { Texture = <T>; };
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float i = floor(uv.x * 4 + 0.5);
    // Point at u = 0.375 is texel 1 (85); Wrap takes 1.625 to 0.625 and
    // -0.125 to 0.875; the level is 0 whatever the read asks, also where
    // the screen minifies (uv * 4: four texels a pixel).
    if (i < 1) return float4(tex2D(S, float2(0.375, 0.5)).r, 1, 0, 1);
    if (i < 2) return float4(tex2Dlod(S, float4(0.375, 0.5, 0, 2)).r, 1, tex2D(S, float2(1.625, 0.5)).r, 1);
    if (i < 3) return float4(tex2D(S, float2(-0.125, 0.5)).r, tex2Dbias(S, float4(0.375, 0.5, 0, 3)).g, 0.666667, 1);
    return float4(0, tex2D(S, uv * 4 + 0.125).g, 0.333333, 1);
}
