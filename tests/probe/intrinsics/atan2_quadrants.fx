// atan2(y, x) is the angle of (x, y): +0 and -0 for y both give +pi at x < 0.
//? entry ps_3_0 main()
//? ps c0 = 1 -1 0 -1
//? ps c1 = -1 -1 0 2
//? ulps 64
//? expect 2.35619450 -2.35619450 3.14159274 0
float4 v : register(c0);
float4 w : register(c1);
float4 main() : COLOR0
{
    float2 y = float2(v.x, w.x);
    float2 x = float2(v.y, w.y);
    return float4(atan2(y, x), atan2(-v.z, v.w), atan2(-w.z, w.w));
}
