// a PNG header of 100000 x 100000 texels, past the device's edge limit
// expect: texture_too_wide.fx(3,43): warning: cannot read texture 'too_wide.png': the image is 100000 x 100000, larger than the 16384 texels a 2D texture may have on this device
texture SpriteTex < string ResourceName = "too_wide.png"; >;
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
