// exp, log, rsq and rcp write one component in ps_2_0: 70 exp2 of a
// scalar, each of the one before, are 70 instructions, not 70 lanes
// packed four to one (and the mov that writes the colour one more): an
// error at the compile statement.
//? error 15 too many arithmetic instructions: at least 71, ps_2_0 takes at most 64
float4 main(float4 t : TEXCOORD0) : COLOR0
{
    float a = t.x;
    for (int i = 0; i < 70; i++)
        a = exp2(a);
    return a;
}
technique T {
    pass P {
        PixelShader = compile ps_2_0 main();
    }
}
