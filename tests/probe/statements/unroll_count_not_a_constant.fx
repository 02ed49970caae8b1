// [unroll(n)] takes a constant count of turns; a uniform is none.
//? entry ps_3_0 main()
//? error 9 [unroll(n)]: the count must be a constant; 'n' is not one
int n;
float4 main() : COLOR0
{
    float s = 0;
    // The loop's own bound is constant; the count is what is wrong.
    [unroll(n)] for (int i = 0; i < 4; i++) s += 0.125;
    return float4(s, 0, 0, 1);
}
