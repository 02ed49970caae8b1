// A loop on a uniform count cannot unroll, and vs_2_0's loop instructions
// do not nest: such a loop in another is an error at the inner one. Loops
// of a literal count around it unroll (vs_3_0 nests four).
//? error 9 nested in 1 other, is not available in vs_2_0
int n;
float4 main(float4 p : POSITION, inout float4 t : TEXCOORD0) : POSITION
{
    for (int i = 0; i < n; i++)
        for (int j = 0; j < n; j++)
            t += 0.125;
    for (int a = 0; a < 3; a++)
        for (int b = 0; b < n; b++)
            t += 0.125;
    return p;
}
float4 ps(float4 t : TEXCOORD0) : COLOR0 { return t; }
technique T {
    pass P {
        VertexShader = compile vs_3_0 main();
        PixelShader = compile ps_3_0 ps();
    }
    pass Q {
        VertexShader = compile vs_2_0 main();
        PixelShader = compile ps_2_0 ps();
    }
}
