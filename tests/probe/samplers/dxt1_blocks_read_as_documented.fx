// DXT1 blocks: with c0 > c1 (red over blue) four colours, the third 2/3 c0 +
// 1/3 c1 and the fourth 1/3 c0 + 2/3 c1; with c0 <= c1 three colours, the
// third their average and the fourth transparent black. The first row's
// indices are 0, 1, 2, 3. Four.dds brings its own levels (kept compressed),
// three.dds none (decoded when its chain is made): both read the same.
//? texture four.dds 2d 4x4 dxt1 3
//? texels 63488 31 228 0 *3
//? texture three.dds 2d 4x4 dxt1
//? texels 31 63488 228 0
//? entry ps_3_0 main()
//? size 4 1
//? abs 0.01
//? expect at 0 0 = 0.666667 0 0.333333 1
//? expect at 1 0 = 0.333333 0 0.666667 1
//? expect at 2 0 = 0.5 0 0.5 1
//? expect at 3 0 = 0 0 0 0
texture Four < string ResourceName = "four.dds"; >;
texture Three < string ResourceName = "three.dds"; >;
sampler S4 = sampler_state { Texture = <Four>; };
sampler S3 = sampler_state { Texture = <Three>; };
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float i = floor(uv.x * 4 + 0.5);
    float4 at = float4(i < 1 || i == 2 ? 0.625 : 0.875, 0.125, 0, 0);
    return i < 2 ? tex2Dlod(S4, at) : tex2Dlod(S3, at);
}
