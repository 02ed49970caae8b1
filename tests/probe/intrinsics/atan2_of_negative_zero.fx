// atan2 treats -0 as +0: atan2(-0, -1) = +pi.
//? entry ps_3_0 main()
//? ps c0 = 0 -1 0 0
//? ulps 64
//? expect 3.14159274 0 0 0
float4 v;
float4 main() : COLOR0
{
    return float4(atan2(-v.x, v.y), 0, 0, 0);
}
