// A matrix's swizzles name its elements: .xy is no member of a float2x2.
//? entry ps_3_0 main()
//? error 8 'xy' is no swizzle of a matrix
float4 main() : COLOR0
{
    float2x2 m = float2x2(0.5, 0.25, 0, 1);
    float2 a = m._m00_m01;
    float2 b = m.xy;
    return float4(a, b);
}
