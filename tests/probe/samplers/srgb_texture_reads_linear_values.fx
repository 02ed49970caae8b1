// SRGBTexture = true reads an 8-bit texture's colour channels as sRGB and
// gives them made linear; alpha is read as it is. The same texture through
// a sampler without it reads the stored values (the last two channels).
//? texture colour.dds 2d 1x1 rgba8
//? texels 128 64 10 128
//? entry ps_2_0 main()
//? size 1 1
//? abs 0.002
//? expect 0.215861 0.0512695 0.501961 0.501961
texture Colour < string ResourceName = "colour.dds"; >;
sampler Linear = sampler_state { Texture = <Colour>; SRGBTexture = true; };
sampler Stored = sampler_state { Texture = <Colour>; };
float4 main() : COLOR0
{
    float4 l = tex2D(Linear, float2(0.5, 0.5)), s = tex2D(Stored, float2(0.5, 0.5));
    return float4(l.r, l.g, s.r, l.a);
}
