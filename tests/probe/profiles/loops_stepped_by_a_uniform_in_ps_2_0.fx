// ps_2_0 has no loop instructions: a loop must unroll, and one whose
// counter steps by a uniform (or starts at an input) has no count to
// unroll to.
//? entry ps_2_0 main()
//? error 10 loop
float step_size;
float4 main(float4 uv : TEXCOORD0) : COLOR0
{
    float4 s = 0;
    for (float f = 0; f < 1; f += step_size)
        s += 0.125;
    return s;
}
