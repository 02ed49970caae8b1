// #pragma pack_matrix sets the majority of the matrices declared after it,
// until the next one; an explicit modifier wins.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4  5 6 7 8  9 10 11 12  13 14 15 16
//? ps c4 = 1 2 3 4  5 6 7 8  9 10 11 12  13 14 15 16
//? ps c8 = 1 2 3 4  5 6 7 8  9 10 11 12  13 14 15 16
//? expect 2 5 5 2
#pragma pack_matrix(row_major)
float4x4 a : register(c0);
column_major float4x4 b : register(c4);
#pragma pack_matrix(column_major)
float4x4 c : register(c8);
float4 main() : COLOR0
{
    return float4(a[0][1], b[0][1], c[0][1], c[1][0]);
}
