// Vectors of different lengths given to one intrinsic are cut to the
// shortest, with a warning; a scalar among them is not.
//? entry ps_3_0 main()
//? size 4 1
//? ps c0 = 0.5 2 -3 4
//? ulps 64
//? warning 17 truncation
//? expect at 0 0 = 0.5 2 4.25 1.5
//? expect at 1 0 = 0.5 2 0 0
//? expect at 2 0 = 0.5 2 1 1
//? expect at 3 0 = 0 1 1.75 2
float4 v : register(c0);
float4 main(float2 p : VPOS) : COLOR0
{
    int i = (int)p.x;
    if (i == 0)
        return float4(max(v.xyz, v.xy), dot(v.xyz, v.xy), distance(v.xyz, float2(2, 2)));
    if (i == 1) return float4(clamp(v.xyz, float2(0, 0), v.xy), 0, 0);
    if (i == 2) return float4(lerp(v.xy, v.wzyx, 0), step(v.xyz, 2).yzx);
    return float4(step(int3(1, 1, 1), v.xy), lerp(v.xyw, float2(3, 2), 0.5));
}
