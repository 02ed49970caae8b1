// Int and bool matrices wherever they are declared: parameters' and
// statics' initial values, initializer lists, 1xN and Nx1 shapes, struct
// members, typedefs; mul takes them as the float matrices they are.
//? entry ps_3_0 main()
//? size 4 1
//? ps c0 = 1.75 -2.5 0.25 3.5
//? expect at 0 0 = 1 2 -3 4
//? expect at 1 0 = 1 2 1 0
//? expect at 2 0 = 2 -1 2 -4
//? expect at 3 0 = 1 -2 1 1.75
float4 v : register(c0);
int2x2 g1 = {1.5, 2.5, -3.5, 4};
int2x2 g2 = int2x2(1.5, 2.5, -3.5, 4);
static int2x2 s1 = float2x2(1.5, 2.5, -3.5, 4);
static bool2x2 s2 = {1.5, 0, -3.5, 0};
struct S { int2x2 m; float k; };
typedef int3x3 I3;
float4 main(float2 p : VPOS) : COLOR0
{
    int2x2 l = {v.x, v.y, v.z, v.w};
    int1x3 r = int1x3(v.xyz);
    bool3x1 c = bool3x1(v.xyz);
    int1x1 o = v.y;
    S s;
    s.m = float2x2(v);
    s.k = 1;
    I3 t = 1.5;
    float2 m = mul(v.xy, l);
    if (p.x < 1) return float4(g1[0], g2[1]);
    if (p.x < 2) return float4(s1[0], s2[0]);
    if (p.x < 3) return float4(l[0], r.xy) + float4(c, o);
    return float4(s.m[0], t[0].x, m.x);
}
