// [fastopt] compiles a loop without unrolling it: it cannot take
// [unroll(n)].
//? entry ps_3_0 main()
//? error 8 contradict
float4 main() : COLOR0
{
    float s = 0;
    [fastopt] [unroll(2)] for (int i = 0; i < 2; i++)
        s += 0.25;
    return s;
}
