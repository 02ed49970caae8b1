// An int or bool matrix that is an element of an array takes a value
// converted as any other: assigned whole, a row of it, a compound
// assignment, a uniform array's registers, an array that is a struct's
// member.
//? entry ps_3_0 main()
//? size 4 1
//? ps c0 = 1.75 -2.5 0.25 3.5
//? ps c4 = 1.5 -2.5 0 0  2.99 -0.5 0 0  0.5 0.9 0 0  -1.9 7.2 0 0
//? expect at 0 0 = 1 -2 0 3
//? expect at 1 0 = 2 2 0 3
//? expect at 2 0 = 1 -2 -1 7
//? expect at 3 0 = 1 0 1 0
float4 v : register(c0);
row_major int2x2 u[2] : register(c4);
struct S { bool2x2 b[2]; float k; };
float4 main(float2 p : VPOS) : COLOR0
{
    int2x2 m[2];
    m[0] = float2x2(v.x, v.y, v.z, v.w);
    m[1] = v.w * 1.5;
    m[1] *= 0.5;
    m[1][1] = v.zw;
    S s;
    s.b[0] = float2x2(v) - 0.25;
    s.b[1] = 0;
    s.b[1] += 0.5;
    s.k = 0;
    if (p.x < 1) return float4(m[0][0], m[0][1]);
    if (p.x < 2) return float4(m[1][0], m[1][1]);
    if (p.x < 3) return float4(u[0][0], u[1][1]);
    return float4(s.b[0][0].x, s.b[0][1].x, s.b[1]._m01, s.b[0]._m10);
}
