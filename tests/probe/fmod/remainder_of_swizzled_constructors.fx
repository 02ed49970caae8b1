// % and fmod of a swizzled constructor of constants, on either side, are
// the truncating remainder too: the result takes the dividend's sign.
//? entry ps_2_0 main()
//? expect -1.5 -1.5 -0.5 1
float4 main() : COLOR0
{
    return float4(-7.5 % float2(2, 2).x, float3(-7.5, 1, 1).x % 2, fmod(float2(1, -4.5).y, 2),
                  10.0 % float3(1, 1, -4.5).z);
}
