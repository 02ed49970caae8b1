// A matrix swizzle takes writes too, element by element.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4  5 6 7 8  9 10 11 12  13 14 15 16
//? expect 7 1 9 4
row_major float4x4 m : register(c0);
float4 main() : COLOR0
{
    float4x4 k = m;
    k._11_12 = float2(7, 1);
    k._m20 = 9;
    return float4(k._11_12_31, k._14);
}
