// An array of int or bool matrices converts the values of its initializer
// list, whatever braces they sit in, as a static, a local or a uniform.
//? entry ps_3_0 main()
//? size 5 1
//? ps c0 = 1.75 -2.5 0.25 3.5
//? expect at 0 0 = 1 2 7 8
//? expect at 1 0 = 1 -2 3 -5
//? expect at 2 0 = 0 0 1 1
//? expect at 3 0 = 1 -2 0 3
//? expect at 4 0 = 7 -8 1 1
float4 v : register(c0);
static int2x2 g[2] = { 1.5, 2.5, -3.5, 4, 0.5, 0.5, 7.9, 8 };
int2x2 u[2] = { 1.5, 2.5, -3.5, 4, 0.5, 0.5, 7.9, 8 };
float4 main(float2 p : VPOS) : COLOR0 {
    int2x2 a[2] = { float2x2(v), float2x2(v) * 2 };
    bool2x2 b[2] = { v - 0.25, v.wzyx * 0 + float4(0, 0, 0, 0.5) };
    int2x2 c[2] = { v.x, v.y, v.z, v.w, v.x, v.y, v.z, v.w };
    int2x2 h[2] = { {1, 2, 3, 4}, {5, 6, 7, -8} };
    bool2x2 q[1] = { true, false, 2, 0 };
    if (p.x < 1) return float4(g[0][0], g[1][1]);
    if (p.x < 2) return float4(a[0][0], a[1][0]);
    if (p.x < 3) return float4(b[0]._m10, b[1]._m00, b[0]._m11 * b[1]._m11 , u[0]._m00) - float4(0, 0, 0, 0);
    if (p.x < 4) return float4(c[1][0], c[1][1]);
    return float4(h[1][1], q[0][1].x, q[0]._m00);
}
