// AlphaTestEnable: COLOR0's alpha, scaled to 0-255, against AlphaRef by
// AlphaFunc; a pixel that fails is not written. Alphas 63, 64, 65 here.
//? size 3 1
//? expect at 0 0 = 0 0 0 0
//? expect at 1 0 = 1 0.5 0 0.250980392
//? expect at 2 0 = 1 0.5 0 0.254901961
//? abs 1e-6
float4 ps_main(float2 p : VPOS) : COLOR0 { return float4(1, 0.5, 0, (63 + p.x) / 255); }
technique T
{
    pass
    {
        PixelShader = compile ps_3_0 ps_main();
        AlphaTestEnable = true;
        AlphaFunc = GreaterEqual;
        AlphaRef = 64;
    }
}
