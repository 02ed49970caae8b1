// A matrix swizzle counts from 0 (_m00) or from 1 (_11), not both.
//? entry ps_3_0 main()
//? error 7 _m00_22
float4x4 m;
float4 main() : COLOR0
{
    return float4(m._m00_m11, m._11_22) + float4(m._m00_22, 0, 0);
}
