// _mRC counts from zero, _RC from one; a swizzle may pick any elements in any order.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4  5 6 7 8  9 10 11 12  13 14 15 16
//? expect 13 14 15 2
row_major float4x4 m : register(c0);
float4 main() : COLOR0
{
    return float4(m._m30_m31_m32, m._12);
}
