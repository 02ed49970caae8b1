// A loop with a constant end unrolls in ps_2_0, also with a uniform as a
// second bound.
//? entry ps_2_0 main()
//? ps c0 = 2 0 0 0
//? expect 0.75 0.5 0 0
float4 v : register(c0);
float4 main() : COLOR0
{
    float s = 0, t = 0;
    for (int i = 0; i < 3; i++)
        s += 0.25;
    for (int j = 0; j < 4 && j < v.x; j++)
        t += 0.25;
    return float4(s, t, 0, 0);
}
