// A constant matrix whose every coefficient is used is a dot product per
// component, as any matrix: 17 products in a chain are 68 instructions,
// past ps_2_0's 64.
//? error 15 too many arithmetic instructions: at least 69, ps_2_0 takes at most 64
static const float4x4 Mix = { 0.5, 0.25, 0.125, 1,  0.25, 0.5, 1, 0.125,
                              1, 0.125, 0.5, 0.25,  0.125, 1, 0.25, 0.5 };
float4 main(float4 t : TEXCOORD0) : COLOR0
{
    for (int i = 0; i < 17; i++)
        t = mul(t, Mix);
    return t;
}
technique T {
    pass P {
        PixelShader = compile ps_2_0 main();
    }
}
