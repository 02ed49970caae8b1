// ps_2_a stores 512 instructions: 520 multiply-adds of a loop marked
// [unroll], each reading the one before, are past it (ps_3_0 takes them:
// its 512 are what every device has at least).
//? error 15 too many instructions: at least 523, ps_2_a takes at most 512
float4 k;
float4 main(float4 t : TEXCOORD0) : COLOR0
{
    float4 v = t * k + float4(1, 2, 3, 4);
    [unroll] for (int i = 0; i < 520; i++)
        v = v * k + v.yzwx;
    return v / 8;
}
technique T {
    pass P {
        PixelShader = compile ps_2_a main();
    }
}
