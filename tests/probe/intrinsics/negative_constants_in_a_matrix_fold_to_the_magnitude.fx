// log, sqrt and rsqrt of a constant matrix with negative elements give, as
// of a vector, the magnitude's value, as the calls compute it of a uniform
// matrix at run time (pixel 1).
//? entry ps_3_0 main()
//? ps c0 = 4 -9 0 0 0.25 -16 0 0
//? size 2 1
//? abs 1e-4
//? expect 2 3 2 2
row_major float2x2 m;
float4 main(float2 p : VPOS) : COLOR0
{
    if (p.x == 0)
        return float4(sqrt(float2x2(4, -9, 0.25, -16))[0], log2(float2x2(1, -8, -4, 2))[1].x,
                      rsqrt(float2x2(-0.25, 1, 1, 1))[0].x);
    return float4(sqrt(m)[0], log2(m)[1].y - 2, rsqrt(-m)[1].x);
}
