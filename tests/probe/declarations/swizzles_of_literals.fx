// A number literal takes a swizzle as a scalar does: "1.xxx", "0.5.rr".
//? entry ps_3_0 main()
//? expect 1 1 0.5 0.75
float4 main() : COLOR0 {
    float2 h = 0.5.rr + .25.xx;
    return float4(1.xx, 0.5.r, h.y);
}
