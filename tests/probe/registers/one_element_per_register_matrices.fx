// A column-major 1x4 (or a row-major 3x1) takes a register per element, the
// element in .x: m._12, m.y and m[0].y all read c2.x here; whole, m is the
// row of the four.
//? entry ps_3_0 main()
//? ps c1 = 1 -1 -1 -1
//? ps c2 = 2 -1 -1 -1
//? ps c3 = 3 -1 -1 -1
//? ps c4 = 4 -1 -1 -1
//? ps c5 = 10 -1 -1 -1
//? ps c6 = 20 -1 -1 -1
//? expect 2 2 13 30
float1x4 m : register(c1);
row_major float3x1 r : register(c5);
float4 main() : COLOR0
{
    float4 whole = m;
    return float4(m._12, (m.y + m[0].y) * 0.5, whole.x + whole.w * 3, r._11 + r[1]);
}
