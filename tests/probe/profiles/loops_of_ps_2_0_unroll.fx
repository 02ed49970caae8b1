// ps_2_0 has no loop instructions: a loop must unroll, so one that ends on a
// uniform is an error there (ps_3_0 runs it).
//? entry ps_2_0 main()
//? error 9 loop
int count;
float4 main() : COLOR0
{
    float s = 0;
    for (int i = 0; i < count; i++)
        s += 0.25;
    return s;
}
