// vs_3_0 and ps_3_0 with declared outputs and inputs; rep adds 0.25 three
// times, setp and a predicated mov set green right of the middle only, and
// an if on a def constant takes its else.
//? abs 0.001
//? expect at 0 0 = 0.75 0 0.5 1
//? expect at 3 2 = 0.75 1 0.5 1
technique T
{
    pass P
    {
        VertexShader = asm {
            vs_3_0
            dcl_position v0
            dcl_texcoord0 v1
            dcl_position o0
            dcl_texcoord0 o1
            mov o0, v0
            mov o1, v1
        };
        PixelShader = asm {
            ps_3_0
            def c0, 0.25, 0, 1, 0.5
            defi i0, 3, 0, 0, 0
            dcl_texcoord0 v0.xy
            mov r0, c0.y
            rep i0
                add r0.x, r0.x, c0.x
            endrep
            setp_gt p0.x, v0.x, c0.w
            (p0.x) mov r0.y, c0.z
            if_gt c0.y, c0.z
                mov r0.z, c0.z
            else
                mov r0.z, c0.w
            endif
            mov r0.w, c0.z
            mov oC0, r0
        };
    }
}
