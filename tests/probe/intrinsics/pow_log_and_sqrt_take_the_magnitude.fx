// pow, log, log2, log10, sqrt and rsqrt are computed by instructions that
// read |x|: a negative base or argument gives the value of its magnitude,
// not NaN (pow(-2, 3) is 8, sqrt(-4) is 2).
//? entry ps_2_0 main()
//? ps c0 = -2 -4 -100 3
//? abs 1e-4
//? expect 8 2 0.5 5
float4 v;
float4 main() : COLOR0
{
    float logs = log2(v.y) + log(v.y) / log(4) + log10(v.z) - 4;
    return float4(pow(v.x, v.w), sqrt(v.y), rsqrt(v.y), logs + 2 * pow(v.x, 2) / 2);
}
