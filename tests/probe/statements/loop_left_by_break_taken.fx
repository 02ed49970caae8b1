// A loop without a condition that a break leaves.
//? entry ps_3_0 main()
//? expect 0.5 0.25 0 1
float4 main() : COLOR0
{
    float a = 0;
    [loop] while (true) { a += 0.125; if (a >= 0.25) break; }
    return float4(0.5, a, 0, 1);
}
