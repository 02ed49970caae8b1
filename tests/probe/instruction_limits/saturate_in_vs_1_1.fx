// vs_1_1 has no _sat modifier: a saturate is a max and a min. 50 rounds
// of a multiply-add and a saturate, each of the one before, are 150
// instructions, past vs_1_1's 128; vs_2_0 (256) takes them.
//? error 17 too many instructions: at least 150, vs_1_1 takes at most 128
float4 k;
float4 main(float4 p : POSITION) : POSITION
{
    for (int i = 0; i < 50; i++)
        p = saturate(p * k + p.yzwx);
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
