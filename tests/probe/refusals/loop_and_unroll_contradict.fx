// [loop] keeps a loop and [unroll] takes it apart: not both on one loop.
//? entry ps_3_0 main()
//? error 7 contradict
float4 main() : COLOR0
{
    float s = 0;
    [loop] [unroll(2)] for (int i = 0; i < 2; i++)
        s += 0.25;
    return s;
}
