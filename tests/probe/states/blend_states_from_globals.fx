// A blend state named through a global whose initial value is arithmetic:
// SrcBlend = 5 is SRCALPHA. The target is cleared to 0, so what is drawn
// is the colour times its alpha, alpha too.
//? expect 0.125 0.25 0.375 0.25
int SourceFactor = 4 + 1;
float4 ps_main() : COLOR0 { return float4(0.25, 0.5, 0.75, 0.5); }
technique T
{
    pass
    {
        PixelShader = compile ps_2_0 ps_main();
        AlphaBlendEnable = SourceFactor != 0;
        SrcBlend = SourceFactor;
        DestBlend = ONE;
        BlendOp = ADD;
    }
}
