// Shader assembly is not compiled here: an error at the word asm.
//? error 8 asm shaders are not supported
float4 ps_main() : COLOR0 { return 1; }
technique T
{
    pass
    {
        VertexShader = asm { vs_1_1
            dcl_position v0
            mov oPos, v0 };
        PixelShader = compile ps_2_0 ps_main();
    }
}
