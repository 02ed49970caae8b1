// A number literal takes a swizzle as a scalar does: "1.xxx", "0.5.rr",
// "0x10.x".
//? entry ps_3_0 main()
//? expect 1 1 16.5 0.75
float4 main() : COLOR0 {
    float2 h = 0.5.rr + .25.xx;
    return float4(1.xx, 0.5.r + 0x10.x, h.y);
}
