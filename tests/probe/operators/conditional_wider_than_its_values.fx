// A '?:' whose condition has more components than its values takes the
// condition's first ones, per component, with the truncation warning.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? warning 10 implicit truncation
//? expect 3 4 -3 1
float4 v : register(c0);
float4 main() : COLOR0
{
    float2 r = (v.wzyx >= 3) ? v.zw : -v.xy;    // 1 1 0 0: 3 4
    float3 s = v > 1 ? -v.zyx : v.w;           // 0 1 1 1: 4 -2 -1
    return float4(r, s.y - 1, s.x - s.z * -1 - 2);
}
