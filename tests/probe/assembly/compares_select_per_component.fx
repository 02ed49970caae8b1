// cmp takes its second source where the first is >= 0 (0 included), one
// component at a time; slt (an instruction of vertex shaders only) gives
// exactly 1 or 0.
//? abs 0.0001
//? expect 2.9 0.2 2.3 0.4
technique T
{
    pass P
    {
        VertexShader = asm {
            vs_2_0
            def c0, -1, 0.5, 0, 2
            dcl_position v0
            slt r1, c0, c0.y
            mov oPos, v0
            mov oT0, r1
        };
        PixelShader = asm {
            ps_2_0
            def c0, -1, 0.5, 0, 2
            def c1, 0.1, 0.2, 0.3, 0.4
            def c2, 0.9, 0.8, 0.7, 0.6
            dcl t0
            cmp r0, c0, c1, c2
            mad r0, t0, c0.w, r0
            mov oC0, r0
        };
    }
}
