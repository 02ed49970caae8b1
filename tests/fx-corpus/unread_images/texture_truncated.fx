// a PNG cut off inside its image data
// expect: texture_truncated.fx(3,43): warning: cannot read texture 'truncated.png': damaged or truncated PNG image (the file ends before its compressed data)
texture SpriteTex < string ResourceName = "truncated.png"; >;
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
