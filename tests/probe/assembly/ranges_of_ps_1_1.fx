// ps_1_1 to ps_1_3 hold values within [-1, 1]: a def of 2 or -3 reads as
// 1 or -1, a result scaled past 1 is clamped where it is written, and the
// next instruction reads the clamped value.
//? abs 0.001
//? expect 0.5 0.25 -0.5 0.5
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
            def c0, 2, 0.25, -3, 1
            def c1, 0.5, 0.5, 0.5, 0.5
            mul_x4 r1, c0, c1
            mul r0, r1, c1
        };
    }
}
