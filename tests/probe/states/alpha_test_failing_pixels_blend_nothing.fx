// A pixel that fails the alpha test takes no part in blending either.
//? expect 0 0 0 0
float4 ps_main() : COLOR0 { return float4(1, 1, 1, 0.1); }
technique T
{
    pass
    {
        PixelShader = compile ps_2_0 ps_main();
        AlphaBlendEnable = true;
        SrcBlend = One;
        DestBlend = One;
        AlphaTestEnable = true;
        AlphaFunc = Greater;
        AlphaRef = 128;
    }
}
