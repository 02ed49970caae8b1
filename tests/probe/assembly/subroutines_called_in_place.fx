// call and callnz run the label's body where they stand: twice here, the
// call under a false defb not at all.
//? abs 0.0001
//? expect 0.5 0.5 0.5 1
technique T
{
    pass P
    {
        PixelShader = asm {
            ps_2_x
            def c0, 0.25, 0.5, 0, 1
            defb b0, true
            defb b1, false
            mov r0, c0.z
            call l0
            callnz l0, b0
            callnz l0, b1
            mov r0.w, c0.w
            mov oC0, r0
            ret
        label l0
            add r0.xyz, r0, c0.x
            ret
        };
    }
}
