// A matrix takes registers only up to the highest one read: r reads rows 0
// and 1 (c0-c1), c reads columns 0 and 1 (c2-c3).
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4  5 6 7 8  9 10 11 12  13 14 15 16
//? expect 2 5 13 10
row_major float4x4 r;
float4x4 c;
float4 main() : COLOR0
{
    return float4(r[0][1], r[1][0], c[0][1], c[1][0]);
}
