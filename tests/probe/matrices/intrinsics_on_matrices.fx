// clamp, lerp, pow, step, sign, abs, saturate, fmod work per element of a matrix.
//? entry ps_3_0 main()
//? size 4 2
//? ps c0 = 1 -2 0 0  3 -0.5 0 0
//? ps c2 = 0.5 0.25 0 0  -1 2 0 0
//? ulps 64
//? expect at 0 0 = 1 -1 1 -0.5
//? expect at 1 0 = 0.75 -0.875 1 0.75
//? expect at 2 0 = 1 1.18920712 0.33333334 0.25
//? expect at 3 0 = 1 0 1 0
//? expect at 0 1 = 1 -1 1 -1
//? expect at 1 1 = 1 2 3 0.5
//? expect at 2 1 = 1 0 1 0
//? expect at 3 1 = 0 -0 0 -0.5
row_major float2x2 a : register(c0);
row_major float2x2 b : register(c2);
float4 rows(float2x2 m) { return float4(m[0], m[1]); }
float4 main(float2 p : VPOS) : COLOR0
{
    int i = (int)(p.x + 4 * p.y);
    if (i == 0) return rows(clamp(a, -1, 1));
    if (i == 1) return rows(lerp(a, b, 0.5));
    if (i == 2) return rows(pow(abs(a), b));
    if (i == 3) return rows(step(b, a));
    if (i == 4) return rows(sign(a));
    if (i == 5) return rows(abs(a));
    if (i == 6) return rows(saturate(a));
    return rows(fmod(a, 1));
}
