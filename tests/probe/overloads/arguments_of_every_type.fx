// Every intrinsic that takes floats takes ints, uints, bools, halves and
// doubles too, converted to float; a scalar stands for a vector of its value.
//? entry ps_3_0 main()
//? size 4 2
//? ps c0 = 0.5 2 -3 4
//? ulps 64
//? expect at 0 0 = 8 2 3 2
//? expect at 1 0 = 0.5 1 0.5 12
//? expect at 2 0 = 0.6 0.8 5 5
//? expect at 3 0 = 25 9.5 0.5 3
//? expect at 0 1 = 3 -4 1 0
//? expect at 1 1 = 1.5 1 0.75 -3
//? expect at 2 1 = 4 9 0 1
//? expect at 3 1 = 4 2 1 -2
float4 v : register(c0);
float4 main(float2 p : VPOS) : COLOR0
{
    int i = (int)(p.x + 4 * p.y);
    int a = 2, b = 3;
    int2 n = int2(3, 4);
    uint u = 3;
    uint2 un = uint2(3, 4);
    bool t = true;
    bool2 tf = bool2(true, false);
    half h = 0.75;
    double d = 1.5;
    if (i == 0) return float4(pow(a, b), min(a, 3.5), clamp(5, 0, b), lerp(1, b, 0.5));
    if (i == 1) return float4(min(t, v.x), step(a, v.y), smoothstep(0, a, 1), ldexp(b, a));
    if (i == 2) return float4(normalize(n), length(n), distance(n, int2(0, 0)));
    if (i == 3) return float4(dot(n, n), dot(un, v.xy), dot(tf, v.xy), max(u, v.x));
    if (i == 4) return float4(reflect(n, float2(0, 1)), refract(int2(1, 0), float2(0, 1), t));
    if (i == 5) return float4(max(d, v.x), all(tf.x), clamp(h, 0, v.y), min(h, v.z));
    if (i == 6) return float4(pow(n - 1, 2), step(tf.x, 0.5), ldexp(t, tf.y));
    return float4(lerp(v.xy, v.w, tf), ldexp(v.x, 2) / 2, max(d, v.z) - 3.5);
}
