// vs_1_1 takes 128 instructions and has no loops: 130 multiply-adds, each
// reading the one before, are past it; vs_2_0 (256) takes them.
//? error 16 too many instructions: at least 130, vs_1_1 takes at most 128
float4 k;
float4 main(float4 p : POSITION) : POSITION
{
    for (int i = 0; i < 130; i++)
        p = p * k + p.yzwx;
    return p;
}
technique T {
    pass P {
        VertexShader = compile vs_2_0 main();
    }
    pass Q {
        VertexShader = compile vs_1_1 main();
    }
}
