// BothInvSrcAlpha as the source factor is 1 - As for the source (and As for
// the destination, whatever DestBlend says); the alpha's own states count
// only with SeparateAlphaBlendEnable, so here the alpha blends as the colour.
//? expect 0.75 0.375 0.1875 0.1875
float4 ps_main() : COLOR0 { return float4(1, 0.5, 0.25, 0.25); }
technique T
{
    pass
    {
        PixelShader = compile ps_2_0 ps_main();
        AlphaBlendEnable = true;
        SrcBlend = BothInvSrcAlpha;
        DestBlend = One;
        SrcBlendAlpha = Zero;
        BlendOpAlpha = RevSubtract;
    }
}
