// A constant int, uint or bool cast into a float matrix fills every
// component with its value, as a float literal does; so do an
// initializer, an argument and a return, and the same values spread into
// vectors.
//? entry ps_3_0 main()
//? size 4 1
//? expect at 0 0 = 7 7 -7 1
//? expect at 1 0 = 5 1 8 2.5
//? expect at 2 0 = 7 7 7 1
//? expect at 3 0 = 7 7 7 7
static const int K = 7;
static const uint U = 5;
static const bool B = true;
typedef float3x3 M3;
static float2x2 s = (float2x2)K;
float2x2 Spread() { return K; }
float Corner(float2x2 m) { return m[1].y; }
float4 main(float2 p : VPOS) : COLOR0
{
    float2x2 a = (float2x2)7;
    float3x3 b = (float3x3)K;
    float2x4 c = (float2x4)-K;
    M3 d = (M3)B;
    float2x2 e = (float2x2)U;
    float4x4 f = (float4x4)false + (float4x4)true;
    float2x2 g = (float2x2)(K + 1);
    float2x2 h = (float2x2)2.5;
    float2x2 i = K;
    float4 v = (float4)K;
    float4 w = K;
    if (p.x < 1) return float4(a[0].x, b[2].z, c[1].w, d._m21);
    if (p.x < 2) return float4(e[0].y, f[3].x, g[1].x, h[0].y);
    if (p.x < 3) return float4(s[1].x, Spread()[0].y, Corner(K), B);
    return float4(i[1].x, v.z, w.y, a[1].y);
}
