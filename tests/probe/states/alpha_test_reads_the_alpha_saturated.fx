// The test reads the alpha saturated (-1 as 0, 2 as 255); the target keeps
// what the shader wrote.
//? size 2 1
//? expect at 0 0 = 0 0 0 0
//? expect at 1 0 = 1 1 1 2
float4 ps_main(float2 p : VPOS) : COLOR0 { return float4(1, 1, 1, p.x * 3 - 1); }
technique T
{
    pass
    {
        PixelShader = compile ps_3_0 ps_main();
        AlphaTestEnable = true;
        AlphaFunc = NotEqual;
        AlphaRef = 0;
    }
}
