// [unroll(n)] unrolls n turns, each testing the loop's own condition.
//? entry ps_3_0 main()
//? ps c0 = 4 0 0 0
//? expect 0.5 0.25 0 1
float n : register(c0);
float4 main() : COLOR0
{
    float s = 0;
    [unroll(8)] for (int i = 0; i < n; i++) s += 0.0625;
    return float4(0.5, s, 0, 1);
}
