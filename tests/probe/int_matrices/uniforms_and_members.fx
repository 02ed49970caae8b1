// An element or row of a uniform int matrix, or of an int matrix member
// (of a local struct or a uniform one), is an int; a uniform struct's
// member reads its registers truncated, or as 0 / 1 for bools.
//? entry ps_3_0 main()
//? size 3 1
//? ps c0 = 5.5 6 0 0  -7.5 9.75 0 0
//? ps c2 = 0.5 0 0 0  -2 0 0 0  5.5 6 0 0  -7.5 9.75 0 0
//? expect at 0 0 = 1 1 -1 2
//? expect at 1 0 = 5 -1 2 1
//? expect at 2 0 = 1 0 1 -1
struct S { row_major int2x2 m; };
struct B { row_major bool2x2 b; };
row_major int2x2 u : register(c0);
S s : register(c4);
B k : register(c2);
float4 main(float2 p : VPOS) : COLOR0
{
    S t;
    t.m = u * 2;
    if (p.x < 1) return float4(u[0][0] / 4, u[0].y / 4, u._21 / 4, u[1][1] / 4);
    if (p.x < 2) return float4(s.m[0].x, s.m[1].x / 4, t.m._22 / 8, transpose(s.m)[1].x / 4);
    return float4(k.b[0], k.b[1].x, t.m[1].x / 8);
}
