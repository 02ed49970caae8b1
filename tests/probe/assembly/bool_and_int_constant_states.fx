// The pass sets the bool and int registers shader assembly reads without
// defb / defi: b0 from a bool parameter, i1 from a literal (rep counts
// its x), b2 from none (false).
//? abs 0.001
//? expect 0.375 0.5 0 1
bool UseGreen = true;
technique T
{
    pass P
    {
        PixelShaderConstantB[0] = <UseGreen>;
        PixelShaderConstantI[1] = int4(3, 0, 0, 0);
        VertexShader = asm {
            vs_3_0
            dcl_position v0
            dcl_position o0
            mov o0, v0
        };
        PixelShader = asm {
            ps_3_0
            def c0, 0.125, 0.5, 0, 1
            mov r0, c0.z
            rep i1
                add r0.x, r0.x, c0.x
            endrep
            if b0
                mov r0.y, c0.y
            endif
            if b2
                mov r0.z, c0.w
            endif
            mov r0.w, c0.w
            mov oC0, r0
        };
    }
}
