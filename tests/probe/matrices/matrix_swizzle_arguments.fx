// A matrix swizzle passed to a function and used in arithmetic.
//? entry ps_3_0 main()
//? ps c0 = 1 2 0 0  3 4 0 0
//? expect 5 2 2 0
row_major float2x2 m : register(c0);
float sum(float2 v) { return v.x + v.y; }
float4 main() : COLOR0
{
    return float4(sum(m._11_22), m._12_11 * float2(1, 2), 0);
}
