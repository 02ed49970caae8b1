// Matrix swizzles pick elements by row and column.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4  5 6 7 8  9 10 11 12  13 14 15 16
//? expect 1 6 11 16
row_major float4x4 m : register(c0);
float4 main() : COLOR0
{
    return m._11_22_33_44;
}
