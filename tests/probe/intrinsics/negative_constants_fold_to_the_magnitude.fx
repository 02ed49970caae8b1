// pow, log, sqrt and rsqrt of negative constants (literals or const names)
// give what the calls give at run time, the value of the magnitude (pixel 1
// computes them of values).
//? entry ps_3_0 main()
//? ps c0 = -2 -4 -8 -100
//? size 2 1
//? abs 1e-4
//? expect 8 2 3 2.5
float4 v;
static const float N = -4;
float4 main(float2 p : VPOS) : COLOR0
{
    if (p.x == 0)
        return float4(pow(-2, 3), sqrt(N), log2(float2(-8, 1)).x, log10(-100) + rsqrt(N));
    return float4(pow(v.x, 3), sqrt(v.y), log2(v.z), log10(v.w) + rsqrt(v.y));
}
