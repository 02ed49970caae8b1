// The same attribute twice is an error whatever its arguments.
//? entry ps_3_0 main()
//? ps c0 = 3 0 0 0
//? error 9 unroll
float4 n : register(c0);
float4 main() : COLOR0
{
    float4 s = 0;
    [unroll(4)] [fastopt] [unroll] for (int i = 0; i < n.x; i++) s += 0.25;
    return s;
}
