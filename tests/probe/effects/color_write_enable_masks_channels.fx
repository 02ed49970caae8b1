// ColorWriteEnable keeps the channels it leaves out as they were (the
// target is cleared to 0).
//? expect 0.25 0 0.75 0
float4 ps_main() : COLOR0 { return float4(0.25, 0.5, 0.75, 1); }
technique T
{
    pass
    {
        PixelShader = compile ps_2_0 ps_main();
        ColorWriteEnable = Red | BLUE;
    }
}
