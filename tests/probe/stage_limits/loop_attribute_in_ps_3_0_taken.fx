// ps_3_0 keeps a loop.
//? entry ps_3_0 main()
//? expect 0.5 0.25 0 1
float4 main() : COLOR0
{
    float s = 0;
    [loop] for (int i = 0; i < 4; i++) s += 0.0625;
    return float4(0.5, s, 0, 1);
}
