// Source modifiers _bias, negate and _x2 and the result modifiers _x2 and
// _sat: (r1 - 0.5) * -r1 * 2 is (0.125, 0, -0.375, -1); adding 2 * r1 and
// saturating gives (0.625, 1, 1, 1).
//? abs 0.0001
//? expect 0.625 1 1 1
technique T
{
    pass P
    {
        PixelShader = asm {
            ps_1_4
            def c0, 0.25, 0.5, 0.75, 1
            mov r1, c0
            mul_x2 r0, r1_bias, -r1
            add_sat r0, r0, r1_x2
        };
    }
}
