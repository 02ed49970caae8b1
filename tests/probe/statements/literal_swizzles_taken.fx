// A literal's swizzle makes a vector of it; suffixes and exponents stay
// numbers.
//? entry ps_3_0 main()
//? expect 0.5 0.25 0 1
float4 main() : COLOR0
{
    float2 a = 0.5.xx;
    float b = 0.125f.r + 1.25e-1 + 0x0 + 0u;
    return float4(a.x, b, 0, 1);
}
