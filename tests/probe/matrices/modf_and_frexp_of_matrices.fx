// modf and frexp of a matrix work element by element, writing each
// element's whole part (or exponent) into the out matrix.
//? entry ps_3_0 main()
//? ps c0 = 2.5 -1.25 8 0.75
//? expect 1 9 1.125 7
float4 v;
float4 main() : COLOR0
{
    float2x2 m = float2x2(v);
    float2x2 i, e;
    float2x2 f = modf(m, i);
    float2x2 g = frexp(m, e);
    return float4(f[0].x + f[0].y + f[1].y, i[0].x + i[0].y + i[1].x, g[0].x + g[1].x,
                  e[0].x + e[0].y + e[1].x + e[1].y);
}
