// ps_2_0 has no loop instructions: a loop that ends on what an input
// holds cannot unroll, the entry point's parameters being its inputs.
//? entry ps_2_0 main()
//? error 8 a loop that ends on what the shader reads at run time
float4 main(float4 t : TEXCOORD0) : COLOR0
{
    float4 s = 0;
    for (int i = 0; i < t.x * 8; i++)
        s += 0.125;
    return s;
}
