// [unroll] must count the turns: a loop that ends on a uniform cannot
// unroll without a count.
//? entry ps_3_0 main()
//? error 9 [unroll] cannot unroll
float n;
float4 main() : COLOR0
{
    float s = 0;
    [unroll] for (int i = 0; i < n; i++) s += 0.0625;
    return float4(0.5, s, 0, 1);
}
