// Globals without a register go around every register an explicit one
// takes: a matrix or array given a register takes its whole size (e from
// c1 to c4, t from c6 to c8), even where its code reads less; the others
// are placed largest first into the lowest free run (m at c9, b at c13,
// a at c0, s at c5).
//? entry ps_3_0 main()
//? ps c0 = 0 0 0 0  1 0 0 0  2 0 0 0  3 0 0 0  4 0 0 0  5 0 0 0  6 0 0 0  7 0 0 0
//? ps c8 = 8 0 0 0  9 0 0 0  10 0 0 0  11 0 0 0  12 0 0 0  13 0 0 0  14 0 0 0
//? expect 1 6 9.12 13.14
float4x4 e : register(c1);
float4 t[3] : register(c6);
float4x4 m;
float4 b[2];
float4 a;
float4 s;
float4 main() : COLOR0
{
    // m is column-major: m._11 is c9.x, m._14 is c12.x
    return float4(e._11 + a.x, t[0].x + s.x * 0, m._11 + m._14 / 100, b[0].x + b[1].x / 100 + s.x - 5);
}
