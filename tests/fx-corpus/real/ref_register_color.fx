// Reference: a pixel-shader constant named by register reaches the shader
// from the register file (the device's pixel-shader block), not from the
// declaration order. Two other constants sit before it at c0 and c1; the
// initialisers are not relied on.
//
// Expected result: after BeginPass of technique 0, pass 0 (which writes the
// constants' initial values), write (0.2, 0.4, 0.6, 1.0) into pixel-shader
// register c3 and (0, 0, 0, 0) into c0, c1 and c2, then draw a full-screen
// quad (clip space x, y in [-1, 1], z = 0.5).
// Every pixel then reads exactly R = 51, G = 102, B = 153, A = 255.

float4 Unused0 : register(c0);
float4 Scale   : register(c1);
float4 Colour  : register(c3);

float4 VS_Quad(float3 position : POSITION) : POSITION
{
    return float4(position, 1.0);
}

float4 PS_Register() : COLOR
{
    // c0 and c1 hold zero: this adds nothing, but keeps lower registers in use.
    return Colour + Scale * Unused0;
}

technique RegisterColour
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS_Quad();
        PixelShader = compile ps_2_0 PS_Register();
        AlphaBlendEnable = false;
        ZEnable = false;
        CullMode = None;
    }
}
