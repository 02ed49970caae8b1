// Reference: a sampler declared with sampler_state whose texture is never
// set. Direct3D 9 reads opaque black from a stage with no texture.
//
// Expected result: clear to opaque white (D3DCOLOR 0xFFFFFFFF), bind no
// texture, then draw a full-screen quad (clip space x, y in [-1, 1],
// z = 0.5, TEXCOORD0 from (0, 0) to (1, 1)) with technique 0, pass 0.
// Every pixel then reads exactly
//     R = 0, G = 0, B = 0, A = 255   (D3DCOLOR 0xFF000000)
// (white anywhere means the quad was not drawn).

texture NeverSetTexture;

sampler2D UnboundSampler = sampler_state
{
    Texture = <NeverSetTexture>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU = Wrap;
    AddressV = Wrap;
};

struct QuadOut
{
    float4 Position : POSITION;
    float2 UV       : TEXCOORD0;
};

QuadOut VS_Quad(float3 position : POSITION, float4 uv : TEXCOORD0)
{
    QuadOut o;
    o.Position = float4(position, 1.0);
    o.UV = uv.xy;
    return o;
}

float4 PS_Sample(float2 uv : TEXCOORD0) : COLOR
{
    return tex2D(UnboundSampler, uv);
}

technique SampleNothing
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS_Quad();
        PixelShader = compile ps_2_0 PS_Sample();
        AlphaBlendEnable = false;
        ZEnable = false;
        CullMode = None;
    }
}
