// ps_2_0 has no loop instructions: its loops unroll, so [loop] cannot be kept.
//? entry ps_2_0 main()
//? error 7 [loop] cannot be kept in ps_2_0
float4 main() : COLOR0
{
    float s = 0;
    [loop] for (int i = 0; i < 4; i++) s += 0.0625;
    return float4(0.5, s, 0, 1);
}
