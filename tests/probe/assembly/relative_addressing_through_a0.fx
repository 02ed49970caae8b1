// mova rounds 1.4 to 1, so c[a0.x + 10] reads c11, which the pass sets.
//? abs 0.0001
//? expect 0.5 0.6 0.7 0.8
technique T
{
    pass P
    {
        VertexShaderConstantF[10] = float4(0.1, 0.2, 0.3, 0.4);
        VertexShaderConstantF[11] = float4(0.5, 0.6, 0.7, 0.8);
        VertexShader = asm {
            vs_2_0
            dcl_position v0
            def c0, 1.4, 0, 0, 0
            mov oPos, v0
            mova a0.x, c0.x
            mov oT0, c[a0.x + 10]
        };
        PixelShader = asm {
            ps_2_0
            dcl t0
            mov oC0, t0
        };
    }
}
