// A function of the effect named as an intrinsic takes the calls its
// parameters fit; the intrinsic keeps the others.
//? entry ps_3_0 main()
//? expect 4 0.5 6 1
float max(float4 v) { return max(max(v.x, v.y), max(v.z, v.w)); }
float lerp(float a, float b) { return (a + b) * 2; }
float4 main() : COLOR0
{
    float4 v = float4(1, 4, 2, 3);
    return float4(max(v), max(0.25, 0.5), lerp(1, 2), lerp(0, 2, 0.5));
}
