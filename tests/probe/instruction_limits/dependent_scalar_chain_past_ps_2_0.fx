// A chain of scalar multiply-adds, each reading the one before, cannot be
// packed four to an instruction: 70 of them are 70 instructions (71 with
// the mov that writes the colour), past ps_2_0's 64. The same work on four
// independent scalars fits.
//? error 17 too many arithmetic instructions: at least 71, ps_2_0 takes at most 64
float4 k;
float4 chain(float2 t)
{
    float s = t.x;
    for (int i = 0; i < 70; i++)
        s = s * k.x + t.y;
    return s;
}
float4 main(float2 t : TEXCOORD0) : COLOR0 { return chain(t); }
technique T {
    pass P {
        PixelShader = compile ps_2_0 main();
    }
}
