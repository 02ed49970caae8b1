// A plain sampler given to Sample pairs with the texture as a SamplerState
// does: the pair takes its states (Clamped clamps u = 1 + half a texel of
// the missing image's checkerboard to the black texel 7, where the default
// wrap reads the magenta texel 0). Direct is read as itself too, so its
// pair with Checker takes another stage and each reads its own texture:
// the pair the magenta texel 0, Direct its own texture, which has no image
// and reads black.
//? entry ps_2_0 main()
//? warning 10 cannot open texture 'not_here.png'
Texture2D Checker < string ResourceName = "not_here.png"; >;
texture Empty;
sampler Clamped : register(s2) = sampler_state { MinFilter = POINT; MagFilter = POINT; AddressU = CLAMP; };
sampler2D Direct : register(s0) = sampler_state { Texture = <Empty>; MinFilter = POINT; MagFilter = POINT; };
//? expect 1 0 1 1
float4 main() : COLOR0
{
    float2 first = float2(0.5 / 8, 0.5 / 8);
    float4 clamped = Checker.Sample(Clamped, float2(1 + 0.5 / 8, 0.5 / 8));
    float4 paired = Checker.Sample(Direct, first);
    float4 direct = tex2D(Direct, first);
    return float4(paired.r, clamped.r + clamped.b + direct.r + direct.b, paired.b, clamped.a);
}
