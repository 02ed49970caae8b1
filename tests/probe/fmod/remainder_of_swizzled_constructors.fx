// % of a swizzled constructor of constants, on either side, is the
// truncating remainder too.
//? entry ps_3_0 main()
//? expect 1.5 1.5 1.25 1
float4 main() : COLOR0
{
    return float4(7.5 % float2(2, 2).x, float3(7.5, 1, 1).x % 2, float2(0, 9.25).y % 4, 10.0 % float3(1, 1, 4.5).z);
}
