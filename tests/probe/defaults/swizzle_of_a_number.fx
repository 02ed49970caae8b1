// A number takes a swizzle in an initial value as in the code: 1.xxx is
// (1, 1, 1), 0.5.rr (0.5, 0.5).
//? entry ps_3_0 main()
//? expect 1 1 0.5 0.5
float2 ones = 1.xx;
float2 halves = 0.5.rr;
float4 main() : COLOR0
{
    return float4(ones, halves);
}
