// Render-state values written as expressions: a state's own value names
// with operators, a global's initial value, a ternary, a cast.
//? expect 0.25 0 0.75 0
static const bool ShowBlue = true;
int Threshold = 2;
float4 ps_main() : COLOR0 { return float4(0.25, 0.5, 0.75, 1); }
technique T
{
    pass
    {
        PixelShader = compile ps_2_0 ps_main();
        ColorWriteEnable = RED | (ShowBlue ? BLUE : 0);
        AlphaBlendEnable = (Threshold > 3) ? TRUE : FALSE;
        ZEnable = (bool)0;
        CullMode = 1 + 0;
    }
}
