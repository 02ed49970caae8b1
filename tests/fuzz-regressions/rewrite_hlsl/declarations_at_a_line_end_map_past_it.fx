// Reference: a uniform compile argument selects the colour. The argument is
// baked in by the compile statement; nothing is read from a constant
// register (a loader that left "which" as a constant would read 0: red).
//
// Expected result: draw a full-screen quad (clip space x, y in [-1, 1],
// z = 0.5) with pass 0 of a technique. Every pixel then reads exactly
//   technique 0, SelectGreen: R = 0,   G = 255, B = 0,   A = 255
//   technique 1, SelectBlue:  R = 0,   G = 0,   B = 255, A = 255
//   technique 2, SelectRed:   R = 255, G = 0,   B = 0,   A = 255
// Technique 0 is the one current after the effect is created.

float4 VS_Quad(float3 position : POSITION) : POSITION
{
    return float4(position, 1.0);
}

float4 PS_Select(uniform int which) : COLOR
{
    if (which == 1)
        return float4(0.0, 1.0, 0.0, 1.0);
    if (which == 2)
        return float4(0.0, 0.0, 1.0, 1.0);
    return float4(1.0, 0.0, 0.0, 1.0);
}

technique SelectGreen
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS_Quad();
        PixelShader = compile ps_2_0 PS_Select(1);
        AlphaBlendEnable = false;
        ZEnable = false;
        CullMode = None;
    }
}

technique SelectBlue
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS_Quad();
        PixelShader = compile ps_2_0 PS_Select(2);
        AlphaBlendEnable = false;
        ZEnable = false;
        CullMode = None;
    }
}

technique SelectRed
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS_Quad();
        PixelShader = compile ps_2_0 PS_Select(0);
        AlphaBlendEnable = false;
        ZEnable = false;
        CullMode = None;
    }
}
