// A typedef carries row_major to the globals declared with it.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4  5 6 7 8  9 10 11 12  13 14 15 16
//? expect 2 5 0 0
typedef row_major float4x4 RowMatrix;
RowMatrix r;
float4 main() : COLOR0
{
    return float4(r[0][1], r[1][0], 0, 0);
}
