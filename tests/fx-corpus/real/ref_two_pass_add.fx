// Reference: one technique, two passes; the second pass adds its colour to
// what the first wrote.
//
// Expected result, drawing a full-screen quad (clip space x, y in [-1, 1],
// z = 0.5) once per pass with technique 0:
//   after pass 0 only:        every pixel R = 51,  G = 0,  B = 102, A = 255
//   after pass 0, then pass 1: every pixel R = 153, G = 51, B = 102, A = 255
// (pass 0 replaces the target: (0.2, 0.0, 0.4, 1.0); pass 1 adds
// (0.4, 0.2, 0.0, 0.0) with blending one + one).

float4 VS_Quad(float3 position : POSITION) : POSITION
{
    return float4(position, 1.0);
}

float4 PS_Base() : COLOR
{
    return float4(0.2, 0.0, 0.4, 1.0);
}

float4 PS_Add() : COLOR
{
    return float4(0.4, 0.2, 0.0, 0.0);
}

technique TwoPasses
{
    pass Base
    {
        VertexShader = compile vs_2_0 VS_Quad();
        PixelShader = compile ps_2_0 PS_Base();
        AlphaBlendEnable = false;
        ZEnable = false;
        CullMode = None;
    }
    pass Add
    {
        VertexShader = compile vs_2_0 VS_Quad();
        PixelShader = compile ps_2_0 PS_Add();
        AlphaBlendEnable = true;
        SrcBlend = One;
        DestBlend = One;
        BlendOp = Add;
        ZEnable = false;
        CullMode = None;
    }
}
