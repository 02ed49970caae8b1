// A scalar given beside vectors stands for a vector of its value, in every
// argument of every intrinsic; ldexp(x, e) is x * 2^e for an e that is not
// whole too (of a matrix, element by element).
//? entry ps_3_0 main()
//? size 4 2
//? ps c0 = 0.5 2 -3 4
//? ulps 64
//? expect at 0 0 = -4.5 -3 -0.75 0.75
//? expect at 1 0 = 1.11803401 -1 0.5 1
//? expect at 2 0 = 0.75 1.5 1 2
//? expect at 3 0 = 0 1 0.5 1
//? expect at 0 1 = 1.41421356 4 1.41421356 4
//? expect at 1 1 = 5 -3.5 -1.5 0
//? expect at 2 1 = 4 8 12 -16
//? expect at 3 1 = 1 2 1 1.41421356
float4 v : register(c0);
row_major float2x2 m = {1, 2, 3, -4};
float4 main(float2 p : VPOS) : COLOR0
{
    int i = (int)(p.x + 4 * p.y);
    if (i == 0) return float4(reflect(v.xy, 1), refract(v.xy, 0.5, 1));
    if (i == 1) return float4(distance(v.xy, 1), dot(2, v.xyz), min(1, v.xy));
    if (i == 2) return float4(lerp(1, v.xy, 0.5), clamp(1, v.xy, v.yw));
    if (i == 3) return float4(step(1, v.xy), smoothstep(0, 1, v.xy));
    if (i == 4) return float4(pow(2, v.xy), ldexp(1, v.xy));
    if (i == 5) return float4(cross(v.xyz, 1), 0);
    if (i == 6) { float2x2 l = ldexp(m, 2); return float4(l[0], l[1]); }
    return float4(max(v.xy, int2(1, 1)), fmod(v.w, 3), ldexp(v.x, 1.5));
}
