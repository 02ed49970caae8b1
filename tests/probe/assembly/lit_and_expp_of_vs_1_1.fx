// lit of (0.5, 0.25, 0, 2) is (1, 0.5, 0.25^2, 1); expp of 2.5 is
// (2^2, 0.5, 2^2.5, 1). The masks and swizzles pick (lit.y, lit.z,
// expp.x, expp.y) into one texture coordinate, which is not clamped.
//? abs 0.0001
//? expect 0.5 0.0625 4 0.5
technique T
{
    pass P
    {
        VertexShader = asm {
            vs_1_1
            dcl_position v0
            def c0, 2.5, 0, 0, 0
            def c1, 0.5, 0.25, 0, 2
            mov oPos, v0
            lit r0, c1
            expp r1, c0.x
            mov r2.xy, r0.yzzz
            mov r2.zw, r1.xxxy
            mov oT0, r2
        };
        PixelShader = asm {
            ps_2_0
            dcl t0
            mov oC0, t0
        };
    }
}
