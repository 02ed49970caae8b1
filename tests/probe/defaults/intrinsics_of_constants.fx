// A global's initial value may call intrinsics of constants: the effect
// computes them as the calls compute at run time (the same registers pixel
// 1 computes from the values in c8 on).
//? entry ps_3_0 main()
//? size 2 5
//? ps c8 = 2 -4 1 0.5
//? abs 1e-4
//? expect at 0 0 = 8 2 0.5 1
//? expect at 0 1 = 0.70710678 0.70710678 0 5
//? expect at 0 2 = 2 0 0.15625 -1.5
//? expect at 0 3 = 1 0.5 0.25 1
//? expect at 1 0 = 8 2 0.5 1
//? expect at 1 1 = 0.70710678 0.70710678 0 5
//? expect at 1 2 = 2 0 0.15625 -1.5
//? expect at 1 3 = 1 0.5 0.25 1
//? expect at 0 4 = 0 0 1 1
//? expect at 1 4 = 0 0 1 1
float4 a = float4(pow(2, 3), sqrt(-4), rsqrt(4), max(-1, any(int2(0, 3))));
float4 b = float4(normalize(float2(1, 1)), length(float3(0, 0, 0)), distance(1, 6));
float4 c = float4(clamp(5, 0, 2), step(1, 0), smoothstep(0, 2, 0.5), fmod(-5.5, 2));
float4 d = lit(0.5, 0.5, 2);
float4 e = float4(isnan(1.0), isinf(-2), isfinite(3), 1);
float4 k : register(c8);
float4 main(float2 p : VPOS) : COLOR0
{
    if (p.x == 0) return p.y == 0 ? a : p.y == 1 ? b : p.y == 2 ? c : p.y == 3 ? d : e;
    if (p.y == 0) return float4(pow(k.x, 3), sqrt(k.y), rsqrt(-k.y), max(-1, any(k.zw)));
    if (p.y == 1) return float4(normalize(k.zz), length(k.www * 0), distance(k.z, 6));
    if (p.y == 2) return float4(clamp(5 * k.z, 0, 2), step(k.z, 0), smoothstep(0, 2, k.w), fmod(-5.5, k.x));
    if (p.y == 4) return float4(isnan(k.x), isinf(k.y), isfinite(k.z), 1);
    return lit(k.w, k.w, k.x);
}
