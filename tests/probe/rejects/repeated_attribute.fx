// An attribute given twice on one statement is an error.
//? entry ps_3_0 main()
//? error 8 unroll
float4 main() : COLOR0
{
    float4 s = 0;
    [unroll]
    [unroll] for (int i = 0; i < 2; i++) s += 0.25;
    return s;
}
