// Initializer lists fill matrices row by row (a column_major matrix keeps a
// column per register), arrays element by element and structs member by
// member.
//? entry ps_3_0 main()
//? expect 2 4 30 0.5
float2x2 m = { 1, 2, 3, 4 };
float arr[3] = { 10, 20, 30 };
struct S { float a; float2 b; };
S s = { 0.25, float2(0.5, 0.75) };
float4 main() : COLOR0
{
    return float4(m[0][1], m[1][0] + m[0][0], arr[2], s.b.x);
}
