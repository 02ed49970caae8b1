// A state a pass names twice is set twice: the last value stays. A number
// that is no whole number for a state that holds one is left out.
//? warning 14 for state 'AlphaRef' is not a whole number of 0 or more: ignored
//? expect 1 1 1 0.5
float4 ps_main() : COLOR0 { return float4(1, 1, 1, 0.5); }
technique T
{
    pass
    {
        PixelShader = compile ps_2_0 ps_main();
        AlphaTestEnable = true;
        AlphaFunc = Never;
        AlphaFunc = Always;
        AlphaRef = 0.5;
    }
}
