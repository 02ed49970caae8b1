// SampleLevel, SampleBias and SampleGrad read as tex2Dlod, tex2Dbias and
// tex2Dgrad; linear filtering half way between the magenta texel 0 and
// the black texel 1 of the missing image's checkerboard gives half magenta.
// A TextureCube without an image reads opaque black.
//? entry ps_3_0 main()
//? warning 7 cannot open texture 'not_here.png'
Texture2D Checker : register(t2) < string ResourceName = "not_here.png"; >;
TextureCube Sky;
SamplerState Smooth { Filter = MIN_MAG_MIP_LINEAR; };
//? abs 0.01
//? expect 1.5 0 1 2
float4 main() : COLOR0
{
    float2 between = float2(1.0 / 8, 0.5 / 8);
    float4 level = Checker.SampleLevel(Smooth, between, 0);
    float4 bias = Checker.SampleBias(Smooth, between, 0);
    float4 grad = Checker.SampleGrad(Smooth, between, float2(0, 0), float2(0, 0));
    float4 sky = Sky.Sample(Smooth, float3(0, 0, 1));
    return float4(level.r + bias.r + grad.r, level.g + sky.r, level.b + bias.b, sky.a + grad.a);
}
