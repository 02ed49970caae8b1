// A fifth loop on a uniform count inside four others is past ps_3_0's
// four levels of loop instructions: an error at the fifth.
//? entry ps_3_0 main()
//? error 13 nested in 4 others, is not available in ps_3_0
int n;
float4 main() : COLOR0
{
    float4 s = 0;
    for (int a = 0; a < n; a++)
        for (int b = 0; b < n; b++)
            for (int c = 0; c < n; c++)
                for (int d = 0; d < n; d++)
                    for (int e = 0; e < n; e++)
                        s += 0.0625;
    return s;
}
