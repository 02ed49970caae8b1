// A constant state's literal of more than four numbers fills a register per
// four, in the order written: a matrix constructor row by row, a list as it
// stands.
//? expect 0.25 0.5 0.75 1
technique T
{
    pass
    {
        VertexShaderConstant4[0] = float4x4(1, 0, 0, 0,  0, 1, 0, 0,  0, 0, 1, 0,  0.25, 0.5, 0, 1);
        PixelShaderConstantF[2] = { 9, 9, 9, 9,  0, 0, 0.75, 0 };
        VertexShader = asm { vs_2_0 dcl_position v0 mov oPos, v0 mov oD0, c3 };
        PixelShader = asm { ps_2_0 dcl v0 add r0, v0, c3 mov oC0, r0 };
    }
}
