// Sampler states written as expressions. The missing image reads the 8 x 8
// magenta and black checkerboard; with point filtering, u = 1 + half a
// texel wraps to the magenta texel 0 and clamps to the black texel 7.
//? entry ps_2_0 main()
//? warning 8 cannot open texture 'not_here.png'
//? expect 1 0 1 0
static const bool Repeat = true;
texture Missing < string ResourceName = "not_here.png"; >;
sampler2D Wrapped = sampler_state
{
    Texture = <Missing>;
    MinFilter = Repeat ? POINT : LINEAR;
    MagFilter = (int)1;
    AddressU = Repeat ? WRAP : CLAMP;
    MipMapLodBias = -0.5 * 2;
};
sampler2D Clamped = sampler_state
{
    Texture = (Missing);
    Filter = MIN_MAG_MIP_POINT;
    AddressU = 1 + 2;
    BorderColor = float4(1, 0, 0, 1);
};
float4 main() : COLOR0
{
    float4 w = tex2D(Wrapped, float2(1 + 0.5 / 8, 0.5 / 8));
    float4 c = tex2D(Clamped, float2(1 + 0.5 / 8, 0.5 / 8));
    return float4(w.r, c.r + c.g + c.b, w.b, c.a - 1);
}
