// A pass's Texture[n] puts the texture on stage n when the pass begins, and
// Sampler[n] the sampler's states and texture, after the samplers its
// shaders read: Bare (no sampler_state, s1) reads the checkerboard of the
// missing image that Texture[1] binds, magenta at texel 0, where it would
// read the black stand-in; Edge (s2) reads u past 1 with Sampler[2]'s CLAMP,
// the black texel 7, where its own WRAP reads the magenta texel 0; Plain
// (s3) takes MinFilter[3] and MagFilter[3] = POINT, and reads texel 0 whole
// a quarter texel from its centre, where its LINEAR would blend it.
//? warning 11 cannot open texture 'not_here.png'
//? expect 1 0 1 1
texture Checker < string ResourceName = "not_here.png"; >;
sampler2D Bare : register(s1);
sampler2D Edge : register(s2) = sampler_state { Texture = <Checker>; MinFilter = POINT; MagFilter = POINT; AddressU = WRAP; };
sampler2D Clamp = sampler_state { Texture = <Checker>; MinFilter = POINT; MagFilter = POINT; AddressU = CLAMP; };
sampler2D Plain : register(s3) = sampler_state { Texture = <Checker>; MinFilter = LINEAR; MagFilter = LINEAR; };
float4 main() : COLOR0
{
    float4 bare = tex2D(Bare, float2(0.5 / 8, 0.5 / 8));
    float4 edge = tex2D(Edge, float2(1 + 0.5 / 8, 0.5 / 8));
    float4 plain = tex2D(Plain, float2(0.75 / 8, 0.5 / 8));
    return float4(bare.r * plain.r, edge.r + edge.b, bare.b * plain.b, 1);
}
technique T
{
    pass
    {
        PixelShader = compile ps_2_0 main();
        Texture[1] = <Checker>;
        Sampler[2] = (Clamp);
        MinFilter[3] = POINT;
        MagFilter[3] = POINT;
    }
}
