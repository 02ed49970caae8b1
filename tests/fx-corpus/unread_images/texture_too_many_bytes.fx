// a PNG header of 16384 x 16384 texels: 1.3 GiB with its mip levels
// expect: texture_too_many_bytes.fx(3,43): warning: cannot read texture 'too_many_bytes.png': 16384 x 16384 RGBA8 with 15 mip levels takes 1365 MiB, more than the 256 MiB a texture may take
texture SpriteTex < string ResourceName = "too_many_bytes.png"; >;
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
