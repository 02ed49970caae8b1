// With no technique left, what stopped the assembly is the error, at the
// instruction's line.
//? error 11 'bem' is not assembled
technique T
{
    pass
    {
        PixelShader = asm {
            ps_1_4
            texcrd r0.rgb, t0
            bem r1.rg, c0, r0
            mov r0, r1
        };
    }
}
