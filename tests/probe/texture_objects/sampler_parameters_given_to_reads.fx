// A function's sampler2D parameter given to a texture object's read pairs
// the texture with the global sampler the call names, as that read written
// with the global would: Clamped clamps u past 1 to the black texel 7 of the
// missing image's checkerboard, Wrapped wraps it to the magenta texel 0.
// A sampler parameter passed on to such a function reads the same way.
//? entry ps_2_0 main()
//? warning 8 cannot open texture 'not_here.png'
Texture2D Checker < string ResourceName = "not_here.png"; >;
sampler2D Clamped = sampler_state { MinFilter = POINT; MagFilter = POINT; AddressU = CLAMP; };
sampler2D Wrapped = sampler_state { MinFilter = POINT; MagFilter = POINT; AddressU = WRAP; };
float4 Read(sampler2D s, float2 uv) { return Checker.Sample(s, uv); }
float4 ReadFrom(Texture2D t, sampler2D s, float2 uv) { return t.Sample(s, uv); }
float4 Outer(sampler2D s, float2 uv) { return Read(s, uv); }
//? expect 1 0 1 0.5
float4 main() : COLOR0
{
    float2 past = float2(1 + 0.5 / 8, 0.5 / 8);
    float4 clamped = Read(Clamped, past);
    float4 wrapped = ReadFrom(Checker, Wrapped, past);
    float4 passed = Outer(Wrapped, past);
    return float4(wrapped.r, clamped.r + clamped.b, passed.b, 0.5);
}
