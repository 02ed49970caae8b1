// A row_major matrix keeps a row per register; column_major (the default)
// a column per register.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4  5 6 7 8  9 10 11 12  13 14 15 16
//? ps c4 = 1 2 3 4  5 6 7 8  9 10 11 12  13 14 15 16
//? expect 2 5 5 2
row_major float4x4 r : register(c0);
float4x4 c : register(c4);
float4 main() : COLOR0
{
    return float4(r[0][1], r[1][0], c[0][1], c[1][0]);
}
