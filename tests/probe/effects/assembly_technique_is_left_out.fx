// Shader assembly is not assembled here: a technique that uses it, directly
// or through a shader variable, is left out with a warning at the word asm
// (or at the state naming the variable); the effect loads with the others,
// and the first of those is current.
//? warning 14 technique 'Old' uses shader assembly
//? warning 21 technique 'Older' uses shader assembly
//? expect 0.25 0.5 0.75 1
float4 ps_main() : COLOR0 { return float4(0.25, 0.5, 0.75, 1); }
PixelShader Assembled = asm { ps_2_0 def c0, 1, 0, 0, 1 mov oC0, c0 };
technique Old
{
    pass
    {
        VertexShader = asm { vs_1_1
            dcl_position v0
            mov oPos, v0 };
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
