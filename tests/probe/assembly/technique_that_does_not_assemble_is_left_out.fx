// A technique whose shader assembly does not assemble, directly or through
// a shader variable, is left out with the reason as a warning at its line;
// the effect loads with the others, and the first of those is current.
//? warning 17 technique 'Old' is left out: 't9' is not a register of ps_1_1
//? expect 0.25 0.5 0.75 1
float4 ps_main() : COLOR0 { return float4(0.25, 0.5, 0.75, 1); }
PixelShader Assembled = asm { ps_2_0 def c0, 1, 0, 0, 1 mov oC0, r40 };
technique Old
{
    pass
    {
        VertexShader = asm { vs_1_1
            dcl_position v0
            mov oPos, v0 };
        PixelShader = asm { ps_1_1
            tex t0
            texbem t1, t9
            mov r0, t1 };
    }
}
technique Older
{
    pass { PixelShader = (Assembled); }
}
technique Hlsl
{
    pass { PixelShader = compile ps_2_0 ps_main(); }
}
