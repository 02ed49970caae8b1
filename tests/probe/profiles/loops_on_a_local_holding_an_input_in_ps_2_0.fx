// ps_2_0 has no loop instructions: a loop must unroll. A local that holds
// an input's value is as run-time a count as the input itself.
//? entry ps_2_0 main()
//? error 9 loop
float4 main(float4 uv : TEXCOORD0) : COLOR0
{
    int steps = (int)lerp(2, 6, uv.x);
    float4 s = 0;
    for (int i = 0; i < steps; i++)
        s += 0.125;
    return s;
}
