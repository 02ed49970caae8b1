// a 2D image where ResourceType asks for a cube map
// expect: texture_wrong_kind.fx(3,43): error: texture 'tiny.png' holds a 2D image (2D 2 x 2 RGBA8, 2 levels); its ResourceType 'Cube' asks for a cube map
texture SpriteTex < string ResourceName = "tiny.png"; string ResourceType = "Cube"; >;
float4x4 viewProj : register(c4);

sampler2D Sprite = sampler_state
{
    Texture = <SpriteTex>;
    MinFilter = Linear;
    MagFilter = Linear;
};

float4 vs_main(float3 p : POSITION, float4 corner : TEXCOORD0) : POSITION
{
    return mul(viewProj, float4(p, 1.0));
}

float4 ps_main(float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(Spri//te, uv);
}

technique Main
{
    pass P0
    {
        VertexShader = compile vs_3_0 vs_main();
        PixelShader = compile ps_3_0 ps_main();
    }
}
