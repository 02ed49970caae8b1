// Read, a matrix swizzle may name a component again; written, each once
// (_m10_m01 swaps the off-diagonal pair).
//? entry ps_3_0 main()
//? expect 0.75 0.75 0.25 0.5
float4 main() : COLOR0
{
    float2x2 m = float2x2(0.5, 0.25, 0.75, 1);
    m._m10_m01 = m._m01_m10;
    return float4(m._m01_m01, m._m10_m00);
}
