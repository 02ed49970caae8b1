// += and the other compound assignments take a matrix swizzle too.
//? entry ps_3_0 main()
//? ps c0 = 1 2 0 0  3 4 0 0
//? expect 11 2 3 8
row_major float2x2 m : register(c0);
float4 main() : COLOR0
{
    float2x2 k = m;
    k._11_22 *= float2(1, 2);   k._m00 += 10;
    return float4(k._11_12, k._21_22);
}
