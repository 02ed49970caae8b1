// ps_2_0 takes 32 texture instructions, however few arithmetic ones the
// shader has: 33 reads of an unrolled loop are an error at the compile
// statement, also after ps_2_b (which has no such limit) took the same
// function in the pass before.
//? error 17 too many texture reads: 33, ps_2_0 takes at most 32
sampler2D S;
float2 step;
float4 main(float2 t : TEXCOORD0) : COLOR0
{
    float4 c = 0;
    for (int i = 0; i < 33; i++)
        c += tex2D(S, t + i * step);
    return c;
}
technique T {
    pass P { PixelShader = compile ps_2_b main(); }
    pass Q { PixelShader = compile ps_2_0 main(); }
}
