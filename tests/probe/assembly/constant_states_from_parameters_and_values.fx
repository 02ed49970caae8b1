// PixelShaderConstant1 from a parameter and PixelShaderConstantF from a
// literal, added; the vertex shader reads a position scale from
// VertexShaderConstant[0].
//? abs 0.001
//? expect 0.35 0.5 0.75 1
float4 Tint = float4(0.25, 0.5, 0.25, 0.5);
technique T
{
    pass P
    {
        VertexShaderConstant[0] = float4(1, 1, 1, 1);
        PixelShaderConstant1[2] = <Tint>;
        PixelShaderConstantF[3] = float4(0.1, 0, 0.5, 0.5);
        VertexShader = asm {
            vs_2_0
            dcl_position v0
            mul oPos, v0, c0
        };
        PixelShader = asm {
            ps_2_0
            add r0, c2, c3
            mov oC0, r0
        };
    }
}
