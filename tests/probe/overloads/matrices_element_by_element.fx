// min, max, clamp, lerp, step, smoothstep, ldexp and pow take matrices,
// element by element, with scalars (of any type) standing for every element.
//? entry ps_3_0 main()
//? size 4 2
//? ps c0 = 1 2 0 0  3 4 0 0
//? ulps 64
//? expect at 0 0 = 1 2 2 2
//? expect at 1 0 = 2 2 3 4
//? expect at 2 0 = 1 2 2 2
//? expect at 3 0 = 0.5 1 1.5 2
//? expect at 0 1 = 0 1 1 1
//? expect at 1 1 = 0.15625 0.5 0.84375 1
//? expect at 2 1 = 4 8 12 16
//? expect at 3 1 = 1 4 9 16
row_major float2x2 a : register(c0);
float4 rows(float2x2 m) { return float4(m[0], m[1]); }
float4 main(float2 p : VPOS) : COLOR0
{
    int i = (int)(p.x + 4 * p.y);
    int two = 2;
    bool yes = true;
    if (i == 0) return rows(min(a, two));
    if (i == 1) return rows(max(a, 2.0h));
    if (i == 2) return rows(clamp(a, yes, two));
    if (i == 3) return rows(lerp(a, 0, 0.5));
    if (i == 4) return rows(step(two, a));
    if (i == 5) return rows(smoothstep(0, 4, a));
    if (i == 6) return rows(ldexp(a, two));
    return rows(pow(a, two));
}
