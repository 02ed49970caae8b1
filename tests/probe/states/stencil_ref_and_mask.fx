// StencilFunc compares (StencilRef & StencilMask) with (stencil & StencilMask):
// 2 & 1 equals the cleared 0, so the quad is drawn.
//? expect 1 0 1 1
float4 ps_main() : COLOR0 { return float4(1, 0, 1, 1); }
technique T
{
    pass
    {
        PixelShader = compile ps_2_0 ps_main();
        StencilEnable = true;
        StencilFunc = Equal;
        StencilRef = 2;
        StencilMask = 1;
        StencilPass = Replace;
        StencilWriteMask = 0xFF;
    }
}
