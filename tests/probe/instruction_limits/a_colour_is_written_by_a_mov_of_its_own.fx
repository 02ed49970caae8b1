// Shader model 2 writes a colour output only with a mov: 62 multiply-adds
// each reading the one before, with the first and the division by 8, are
// 64 instructions, and the mov that writes the colour the 65th, past
// ps_2_0's 64 (61 of them fit).
//? error 16 too many arithmetic instructions: at least 65, ps_2_0 takes at most 64
float4 k;
float4 main(float4 t : TEXCOORD0) : COLOR0
{
    float4 v = t * k + float4(1, 2, 3, 4);
    for (int i = 0; i < 62; i++)
        v = v * k + v.yzwx;
    return v / 8;
}
technique T {
    pass P {
        PixelShader = compile ps_2_0 main();
    }
}
