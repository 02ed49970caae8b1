// Globals are placed largest first, ties in declaration order: the matrix
// takes c0-c3 (one register per column), then a at c4 and b at c5.
//? entry ps_3_0 main()
//? ps c0 = 1 0 0 0  2 0 0 0  3 0 0 0  4 0 0 0
//? ps c4 = 0.5 0.5 0.5 0.5  0.25 0.25 0.25 0.25
//? expect 103 203 303 403
float4 a;
float4x4 m;
float4 b;
float4 main() : COLOR0
{
    return a + b * 10 + m[0] * 100;
}
