// ps_2_0 takes 64 arithmetic instructions. 70 multiply-adds, each reading
// the one before, are 70 however they are packed, and the mov that alone
// writes a colour in shader model 2 one more: an error at the compile
// statement. The loop unrolls, as ps_2_0 has no loop instructions.
//? error 15 too many arithmetic instructions: at least 71, ps_2_0 takes at most 64
float4 k;
float4 main(float4 t : TEXCOORD0) : COLOR0
{
    for (int i = 0; i < 70; i++)
        t = t * k + t.yzwx;
    return t;
}
technique T {
    pass P {
        PixelShader = compile ps_2_0 main();
    }
}
