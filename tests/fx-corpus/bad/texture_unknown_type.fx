// a ResourceType this loader does not know
// expect: texture_unknown_type.fx(3,45): error: unknown ResourceType '2DArray' of texture 'SpriteTex' (1D, 2D, 3D or Cube)
texture2D SpriteTex < string ResourceType = "2DArray"; string ResourceName = "tiny.png"; >;
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
    return tex2D(Sprite, uv);
}

technique Main
{
    pass P0
    {
        VertexShader = compile vs_3_0 vs_main();
        PixelShader = compile ps_3_0 ps_main();
    }
}
