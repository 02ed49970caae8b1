// BlendFactor is a D3DCOLOR (A, R, G, B bytes) that BLENDFACTOR and
// INVBLENDFACTOR read; SeparateAlphaBlendEnable gives the alpha channel its
// own factors and operation. The target starts at 0.
//? expect 1 0.125490196 0 0.249019608
//? abs 1e-3
float4 ps_main() : COLOR0 { return float4(1, 0.5, 0.25, 0.5); }
technique T
{
    pass
    {
        PixelShader = compile ps_2_0 ps_main();
        AlphaBlendEnable = true;
        SrcBlend = BlendFactor;
        DestBlend = Zero;
        BlendFactor = 0x80FF4000;
        SeparateAlphaBlendEnable = true;
        SrcBlendAlpha = InvBlendFactor;
        DestBlendAlpha = One;
        BlendOpAlpha = Add;
    }
}
