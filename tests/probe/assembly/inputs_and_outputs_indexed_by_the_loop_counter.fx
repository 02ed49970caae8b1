// vs_3_0 writes its outputs o1 to o3 through o[aL], ps_3_0 reads its
// inputs v0 to v2 through v[aL]: each step doubles the sum and adds the
// next input, so the order shows (0.125, 0.25, 0.375 give 1.375).
//? abs 0.001
//? expect 1.375 0.375 0 1
technique T
{
    pass P
    {
        VertexShader = asm {
            vs_3_0
            dcl_position v0
            dcl_position o0
            dcl_texcoord0 o1
            dcl_texcoord1 o2
            dcl_texcoord2 o3
            defi i0, 3, 1, 1, 0
            def c0, 0.125, 0, 0, 0
            mov o0, v0
            mov r0, c0.x
            loop aL, i0
                mov o[aL], r0
                add r0, r0, c0.x
            endloop
        };
        PixelShader = asm {
            ps_3_0
            dcl_texcoord0 v0
            dcl_texcoord1 v1
            dcl_texcoord2 v2
            defi i0, 3, 0, 1, 0
            def c0, 0, 0, 0, 1
            mov r0, c0
            mov r1, c0
            loop aL, i0
                add r1, r1, r1
                add r1, r1, v[aL]
            endloop
            mov r0.x, r1.x
            mov r0.y, v2.x
            mov oC0, r0
        };
    }
}
