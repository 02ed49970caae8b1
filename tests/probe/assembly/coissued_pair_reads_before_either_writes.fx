// The two instructions of a co-issued pair read their sources together,
// before either writes: the alpha half reads r0.b as it was (0.75), not as
// the colour half leaves it (0.375).
//? abs 0.001
//? expect 0.125 0.25 0.375 0.75
technique T
{
    pass P
    {
        VertexShader = asm {
            vs_1_1
            dcl_position v0
            mov oPos, v0
        };
        PixelShader = asm {
            ps_1_1
            def c0, 0.25, 0.5, 0.75, 1
            def c1, 0.5, 0.5, 0.5, 0.5
            mov r0, c0
            mul r0.rgb, r0, c1
          + mov r0.a, r0.b
        };
    }
}
