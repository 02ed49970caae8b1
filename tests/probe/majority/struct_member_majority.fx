// Majority applies to matrix members of struct constants too, typedefs
// included; each member starts its own registers: a (rows) at c0-c1, b
// (columns) at c2-c3.
//? entry ps_3_0 main()
//? ps c0 = 1 2 0 0  3 4 0 0  5 6 7 8  9 10 11 12
//? expect 2 3 9 6
typedef row_major float2x2 Row2;
struct S { Row2 a; float2x2 b; };
S s;
float4 main() : COLOR0
{
    return float4(s.a[0][1], s.a[1][0], s.b[0][1], s.b[1][0]);
}
