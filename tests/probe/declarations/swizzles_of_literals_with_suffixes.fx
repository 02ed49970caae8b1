// A literal with a suffix or an exponent takes a swizzle as a plain one
// does: "1.0f.xxx", "2.h.xx", "1e1f.xxx", "1.5L.rr", "3u.xx".
//? entry ps_3_0 main()
//? expect 11 13 3.5 -1
float4 main() : COLOR0
{
    float3 a = 1.0f.xxx + 1e1f.xxx;
    float2 b = 2.h.xx + 3u.xx + 1.5L.rr;
    return float4(a.x, a.y + 2.0h.x, b.x - 3, -1.0F.x * 5e-1.x * 2);
}
