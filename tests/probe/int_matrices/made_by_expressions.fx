// A matrix made of int matrices (a transpose, a sum, a product, a scaled
// one, a constructor's or a function's result) is one of ints: its
// elements and rows are ints, so dividing them by an int truncates toward
// zero; with a float in it, it is a float matrix.
//? entry ps_3_0 main()
//? size 3 1
//? ps c0 = 5.5 6 -7.5 9
//? expect at 0 0 = 1 -1 3 -4
//? expect at 1 0 = 0 0 -5 1
//? expect at 2 0 = 1 1 -2.625 3.375
float4 a : register(c0);
int2x2 Make(float4 v) { return int2x2(v); }
float4 main(float2 p : VPOS) : COLOR0
{
    int2x2 m = int2x2(a);
    int2 r = int2(1, 0);
    if (p.x < 1) return float4(transpose(m)[0] / 4, (m + m)[0][1] / 4, (-m)[1].y / 2);
    if (p.x < 2) return float4(mul(r, m) / 8, (m * 3)[1].x / 4, mul(m, r).y / -4);
    return float4(Make(a)[0] / 4, (m * 1.5)[1] / 4);
}
