// A function reading a texture object through a sampler it takes as
// parameters reads the pair of each call's globals: through Wrapping,
// u = 1 + half a texel of the missing image's checkerboard wraps to the
// magenta texel 0; through Clamping it clamps to the black texel 7.
//? entry ps_2_0 main()
//? warning 7 cannot open texture 'not_here.png'
Texture2D Checker < string ResourceName = "not_here.png"; >;
SamplerState Wrapping { Filter = MIN_MAG_MIP_POINT; AddressU = WRAP; };
sampler Clamping = sampler_state { MinFilter = POINT; MagFilter = POINT; AddressU = CLAMP; };
float4 Read(Texture2D t, SamplerState s, float2 uv) { return t.Sample(s, uv); }
//? expect 1 0 1 1
float4 main() : COLOR0
{
    float2 past = float2(1 + 0.5 / 8, 0.5 / 8);
    float4 w = Read(Checker, Wrapping, past);
    float4 c = Read(Checker, Clamping, past);
    return float4(w.r, c.r + c.g + c.b, w.b, w.a);
}
