// A function passing its texture and sampler objects on to another reads
// the globals its own call passes: Twice(Checker, Clamping) reads Checker
// through Clamping, u = 1 + half a texel of the missing image's
// checkerboard clamped to the black texel 7 (wrapped, the magenta texel 0).
//? entry ps_2_0 main()
//? warning 7 cannot open texture 'not_here.png'
Texture2D Checker < string ResourceName = "not_here.png"; >;
SamplerState Clamping { Filter = MIN_MAG_MIP_POINT; AddressU = CLAMP; };
float4 Read(Texture2D t, SamplerState s, float2 uv) { return t.Sample(s, uv); }
float4 Twice(SamplerState s, float2 uv, Texture2D t) { return 2 * Read(t, s, uv); }
//? expect 0 0.5 0 1
float4 main() : COLOR0
{
    float4 c = Twice(Clamping, float2(1 + 0.5 / 8, 0.5 / 8), Checker);
    return float4(c.r, 0.5, c.b, c.a * 0.5);
}
