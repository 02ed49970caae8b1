// Reference: a pixel-only pass that writes one constant colour.
//
// Expected result: draw a full-screen quad (two triangles covering clip space
// x, y in [-1, 1], z = 0.5; positions go through untransformed, as with the
// device's identity fixed-function transforms) with technique 0, pass 0.
// Every pixel of the 640 x 480 target then reads exactly
//     R = 255, G = 153, B = 51, A = 255   (D3DCOLOR 0xFFFF9933)
// whatever the clear colour was: blending, depth test and culling are off.

float4 PS_Solid() : COLOR
{
    return float4(1.0, 0.6, 0.2, 1.0);
}

technique Solid
{
    pass P0
    {
        VertexShader = null;
        PixelShader = compile ps_2_0 PS_Solid();
        AlphaBlendEnable = false;
        ZEnable = false;
        CullMode = None;
    }
}
