// A typedef of an array of matrices declares that many matrices: a
// parameter of it takes a register per column of each, column-major, and
// one of int matrices truncates what its list gives.
//? entry ps_3_0 main()
//? ps c0 = 1 2 0 0 3 4 0 0 5 6 0 0 7 8 0 0
//? expect 2 4 5 7
//? expect at 1 0 = 2 4 5 7
typedef float2x2 Pair[2];
typedef int2x2 Counts[2];
Pair m : register(c0);
float4 main() : COLOR0
{
    Counts c = { 0.5, 1.5, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5 };
    return float4(m[0][1], m[1][0]) + (c[1][1].x - 6) + (c[0][0].y - 1);
}
