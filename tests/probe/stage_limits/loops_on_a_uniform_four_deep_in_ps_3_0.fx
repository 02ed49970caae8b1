// ps_3_0's loop instructions nest four deep: four loops on uniform counts
// compile; n = 2 (its initial value, which the effect writes) makes 16
// turns of the innermost.
//? entry ps_3_0 main()
//? expect 1 1 1 1
int n = 2;
float4 main() : COLOR0
{
    float4 s = 0;
    for (int a = 0; a < n; a++)
        for (int b = 0; b < n; b++)
            for (int c = 0; c < n; c++)
                for (int d = 0; d < n; d++)
                    s += 0.0625;
    return s;
}
