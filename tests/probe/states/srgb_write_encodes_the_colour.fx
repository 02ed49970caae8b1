// SRGBWriteEnable writes the colour channels as sRGB (linear 0.5 is 0.7354,
// below 0.0031308 the value times 12.92); alpha is written as it is.
//? size 2 1
//? expect at 0 0 = 0.735356927 0 1 0.5
//? expect at 1 0 = 0.01292 0 1 0.5
//? abs 1e-3
float4 ps_main(float2 p : VPOS) : COLOR0 { return float4(p.x > 0 ? 0.001 : 0.5, 0, 1, 0.5); }
technique T
{
    pass
    {
        PixelShader = compile ps_3_0 ps_main();
        SRGBWriteEnable = true;
    }
}
