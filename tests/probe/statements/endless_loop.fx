// A loop with no condition and no break or return never ends.
//? entry ps_3_0 main()
//? error 7 loop never ends
float4 main() : COLOR0
{
    float a = 0;
    for (;;) { a += 0.25; }
    return float4(0.5, a, 0, 1);
}
