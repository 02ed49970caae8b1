// vs_2_0's loops repeat a count the effect sets (an integer constant) and
// nothing leaves one early: a loop that ends on an input can neither loop
// nor unroll. vs_2_a and vs_3_0 break out of it.
//? error 7 a loop that ends on an input is not available in vs_2_0
float4 main(float4 p : POSITION, float4 w : BLENDWEIGHT, inout float4 t : TEXCOORD0) : POSITION
{
    for (int i = 0; i < w.x * 4; i++)
        t += 0.125;
    return p;
}
float4 ps(float4 t : TEXCOORD0) : COLOR0 { return t; }
technique T {
    pass P {
        VertexShader = compile vs_2_a main();
        PixelShader = compile ps_2_0 ps();
    }
    pass Q {
        VertexShader = compile vs_2_0 main();
        PixelShader = compile ps_2_0 ps();
    }
}
