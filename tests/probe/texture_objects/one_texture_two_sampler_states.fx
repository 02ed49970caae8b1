// A Texture2D read through two SamplerState objects is two samplers, each
// with its own states. The missing image reads the 8 x 8 magenta and black
// checkerboard, magenta at the top left; with point filtering u = 1 + half
// a texel wraps to the magenta texel 0 and clamps to the black texel 7.
//? entry ps_2_0 main()
//? warning 7 cannot open texture 'not_here.png'
Texture2D Checker < string ResourceName = "not_here.png"; >;
//? expect 1 0 1 1
SamplerState Wrapping { Filter = MIN_MAG_MIP_POINT; AddressU = WRAP; };
SamplerState Clamping = sampler_state { MinFilter = POINT; MagFilter = POINT; AddressU = CLAMP; };
float4 main() : COLOR0
{
    float2 past = float2(1 + 0.5 / 8, 0.5 / 8);
    float4 w = Checker.Sample(Wrapping, past);
    float4 c = Checker.Sample(Clamping, past);
    return float4(w.r, c.r + c.g + c.b, w.b, w.a);
}
