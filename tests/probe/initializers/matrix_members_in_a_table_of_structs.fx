// A table of transforms, each a struct with a matrix member: a matrix
// constructor or a matrix constant fills the member whole beside flat
// numbers and vectors; the table is read at a run-time index.
//? entry ps_3_0 main()
//? ps c0 = 1 2 0 0
//? expect 7 2 -1 6
struct Xf { float2x2 m; float2 off; };
static const float2x2 Scale3 = { 3, 0, 0, 3 };
static const Xf Table[3] = { { 1, 0, 0, 1, 0, 0 },
                             { float2x2(2, 0, 0, 1), float2(1, -1) },
                             { Scale3, 0.5, 0 } };
float2 pick : register(c0);
float4 main() : COLOR0
{
    Xf a = Table[(int)pick.x];
    Xf b = Table[(int)pick.y];
    float2 p = mul(a.m, float2(3, 3)) + a.off;
    return float4(p.x, p.y, a.off.y, mul(b.m, float2(2, 0)).x);
}
