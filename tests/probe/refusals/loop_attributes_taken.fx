// Loop attributes that agree: [loop] with [fastopt], [unroll(n)] alone.
//? entry ps_3_0 main()
//? expect 0.5 0.75 0 1
float4 main() : COLOR0
{
    float s = 0, t = 0;
    [loop] [fastopt] for (int i = 0; i < 2; i++)
        s += 0.25;
    [unroll(3)] for (int j = 0; j < 3; j++)
        t += 0.25;
    return float4(s, t, 0, 1);
}
