// A row_major matrix parameter given to registers c4-c7 by
// VertexShaderConstant4 fills a register per row, as a compiled shader's
// row-major matrix sits: m4x4 of (1, 0, 0, 0) gives its first column, as
// mul(M, float4(1, 0, 0, 0)) does in HLSL.
//? abs 0.001
//? expect 0.1 0.5 0.9 0.2
row_major float4x4 M = { 0.1, 0.2, 0.3, 0.4,
                         0.5, 0.6, 0.7, 0.8,
                         0.9, 1.0, 0.0, 0.1,
                         0.2, 0.3, 0.4, 0.5 };
technique T
{
    pass P
    {
        VertexShaderConstant4[4] = <M>;
        VertexShader = asm {
            vs_1_1
            dcl_position v0
            def c10, 1, 0, 0, 0
            mov oPos, v0
            m4x4 oD0, c10, c4
        };
        PixelShader = asm {
            ps_1_1
            mov r0, v0
        };
    }
}
