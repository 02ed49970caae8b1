// SRGBTexture = true reads a texture's colour channels as sRGB and gives
// them made linear; alpha is read as it is. The same texture through a
// sampler without it reads the stored values (the last two channels of the
// first pixel). The second pixel reads a DXT1 texture with its own levels
// (kept compressed) whose one colour is 565 (16, 32, 16), 8-bit (132, 130,
// 132).
//? texture colour.dds 2d 1x1 rgba8
//? texels 128 64 10 128
//? texture blocks.dds 2d 4x4 dxt1 3
//? texels 33808 33808 0 0 *3
//? entry ps_3_0 main()
//? size 2 1
//? abs 0.004
//? expect at 0 0 = 0.215861 0.0512695 0.501961 0.501961
//? expect at 1 0 = 0.23074 0.223228 0.517647 1
texture Colour < string ResourceName = "colour.dds"; >;
texture Blocks < string ResourceName = "blocks.dds"; >;
sampler Linear = sampler_state { Texture = <Colour>; SRGBTexture = true; };
sampler Stored = sampler_state { Texture = <Colour>; };
sampler LinearBlocks = sampler_state { Texture = <Blocks>; SRGBTexture = true; };
sampler StoredBlocks = sampler_state { Texture = <Blocks>; };
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    const float4 at = float4(0.5, 0.5, 0, 0);
    float4 l = tex2Dlod(Linear, at), s = tex2Dlod(Stored, at);
    float4 lb = tex2Dlod(LinearBlocks, at), sb = tex2Dlod(StoredBlocks, at);
    return uv.x < 0.25 ? float4(l.r, l.g, s.r, l.a) : float4(lb.r, lb.g, sb.r, lb.a);
}
