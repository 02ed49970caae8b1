// A struct type may declare its variables, qualifiers and initial values
// included, or have no name (a typedef's too); a member's declaration may
// name several members, each counted when the struct is cast or filled
// from a list.
//? entry ps_3_0 main()
//? expect 0.25 0.5 0.75 1
static const struct Pair { float a, b; float2 c; } p = { 0.25, 0.5, 0.75, 1 };
static struct { float x, y; } q = { 2, 3 };
typedef struct { float2 a; } Half;
static const Half h[2] = { { 0, 1 }, { 2, 0 } };
float4 main() : COLOR0
{
    float4 v = (float4)p;
    Pair r = (Pair)v;
    return float4(r.a, r.b, r.c) * (q.y - q.x) * h[0].a.y * h[1].a.x * 0.5;
}
