// With no technique left, what stopped the assembly is the error, at the
// instruction's line.
//? error 11 'mvo' is not assembled
technique T
{
    pass
    {
        PixelShader = asm {
            ps_1_4
            texcrd r0.rgb, t0
            mvo r1, r0
            mov r0, r1
        };
    }
}
