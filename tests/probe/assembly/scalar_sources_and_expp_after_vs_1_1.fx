// A scalar instruction whose source has no swizzle reads its x (rcp of
// (2, 4, 8, 16) is 0.5); from vs_2_0 on, expp and logp give their one
// result in every component written (2^1.5, and log2 4 in z and w).
//? abs 0.001
//? expect 0.5 2.828427 2 2
technique T
{
    pass P
    {
        VertexShader = asm {
            vs_2_0
            dcl_position v0
            def c0, 2, 4, 8, 16
            def c1, 1.5, 0, 0, 0
            rcp r0.x, c0
            expp r0.y, c1.x
            logp r0.zw, c0.y
            mov oPos, v0
            mov oT0, r0
        };
        PixelShader = asm {
            ps_2_0
            dcl t0
            mov oC0, t0
        };
    }
}
