// In a global's initializer a cast of a struct to a vector or matrix may be
// only part of it: it takes the struct's components in order there too.
//? entry ps_3_0 main()
//? expect 11 7 -7 10
struct S { float2 a; float2 b; };
static const S s = { 5, 6, 7, 8 };
static const float2x2 m = float2x2(1, 2, 3, 4);
static const float4 g = 1 + ((float4)s) * 2;      // (11, 13, 15, 17)
static const float4 h = 1 + (float4)s;            // (6, 7, 8, 9)
static const float2x2 n = -(float2x2)s;
static const float k[4] = (float[4])m;
static const float2 q = k[1] + ((float2x2)s)[1];  // 2 + (7, 8)
float4 main() : COLOR0
{
    return float4(g.x, h.y, n._21, q.y);
}
