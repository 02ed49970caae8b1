// A whole int matrix divided by an int (a literal, an int, an int matrix)
// divides as ints do, each element truncated toward zero, after the
// products and quotients on its left; divided by a float it keeps the
// fractions.
//? entry ps_3_0 main()
//? size 4 1
//? ps c0 = 5.5 6 -7.5 9
//? ps c1 = 2 0 0 0
//? expect at 0 0 = 1 1 -1 2
//? expect at 1 0 = 2 3 -3 4
//? expect at 2 0 = 2.5 3 -3.5 4.5
//? expect at 3 0 = 2 3 -1 2
float4 a : register(c0);
float d : register(c1);
float4 main(float2 p : VPOS) : COLOR0
{
    int2x2 m = int2x2(a);
    int2x2 two = int2x2(2, 2, 2, 2);
    float2x2 f = m / 4;
    if (p.x < 1) return float4(f[0], f[1]);
    if (p.x < 2) return float4((m / two)[0], (m / (int)d)[1]);
    if (p.x < 3) return float4((m / d)[0], (m / d)[1]);
    return float4((2 * m / 4)[0], (m / 2 / 2)[1]);
}
