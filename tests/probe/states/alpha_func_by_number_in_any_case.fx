// State names in any case, AlphaFunc by its number (2: LESS), AlphaRef as
// hexadecimal. Alphas 63, 64, 65 against 64: only the first is less.
//? size 3 1
//? expect at 0 0 = 0 1 0 0.247058824
//? expect at 1 0 = 0 0 0 0
//? expect at 2 0 = 0 0 0 0
//? abs 1e-6
float4 ps_main(float2 p : VPOS) : COLOR0 { return float4(0, 1, 0, (63 + p.x) / 255); }
technique T
{
    pass
    {
        PixelShader = compile ps_3_0 ps_main();
        ALPHATESTENABLE = TRUE;
        alphafunc = 2;
        AlphaRef = 0x40;
    }
}
