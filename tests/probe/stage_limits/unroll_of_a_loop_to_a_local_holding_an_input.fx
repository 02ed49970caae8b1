// [unroll] cannot unroll a loop whose end a local holds that the shader
// computes from an input; with a count it can.
//? entry ps_3_0 main()
//? error 9 unroll
float4 main(float4 uv : TEXCOORD0) : COLOR0
{
    int steps = (int)(uv.x * 8);
    float4 s = 0;
    [unroll] for (int i = 0; i < steps; i++)
        s += 0.125;
    [unroll(8)] for (int j = 0; j < steps; j++)
        s += 0.125;
    return s;
}
