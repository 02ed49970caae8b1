// A struct type may declare its variables, qualifiers and initial values
// included, or have no name; a member's declaration may name several
// members, each counted when the struct is cast or filled from a list.
//? entry ps_3_0 main()
//? expect 0.25 0.5 0.75 1
static const struct Pair { float a, b; float2 c; } p = { 0.25, 0.5, 0.75, 1 };
static struct { float x, y; } q = { 2, 3 };
float4 main() : COLOR0
{
    float4 v = (float4)p;
    Pair r = (Pair)v;
    return float4(r.a, r.b, r.c) * (q.y - q.x);
}
