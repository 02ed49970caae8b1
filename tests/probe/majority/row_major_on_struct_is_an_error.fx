// row_major applies to matrices only: not to a struct.
//? entry ps_3_0 main()
//? error 5 'row_major' applies to matrices, not to 'S'
struct S { float4x4 m; };
row_major S s;
float4 main() : COLOR0
{
    return s.m[0];
}
