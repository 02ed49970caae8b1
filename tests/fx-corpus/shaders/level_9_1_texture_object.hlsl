//! args -T ps_4_0_level_9_1
//! line   pixel: ps_4_0_level_9_1 main() (ps_2_0 limits)
//! line sampler
Texture2D image : register(t0);
SamplerState linearClamp : register(s0);
struct PIn { float4 position : SV_POSITION; float2 uv : TEXCOORD0; };
float4 main(PIn i) : SV_TARGET { return image.Sample(linearClamp, i.uv); }
