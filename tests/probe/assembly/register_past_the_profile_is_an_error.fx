// vs_2_0 has twelve temporaries: r12 is an error at its line.
//? error 10 'r12' is not a register of vs_2_0
VertexShader Shader = asm {
    vs_2_0
    dcl_position v0
    mov oPos, v0
    // r11 is the last temporary
    mov r11, v0
    mov oD0, r11
    mov oD1, r12
};
technique T { pass { VertexShader = (Shader); } }
