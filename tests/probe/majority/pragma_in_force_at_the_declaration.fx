// A typedef'd matrix and a struct's matrix member keep the #pragma
// pack_matrix in force where the typedef or the struct is declared, not the
// one in force where the global is.
//? entry ps_3_0 main()
//? ps c0 = 1 2 0 0  3 4 0 0  1 2 0 0  3 4 0 0  1 2 0 0  3 4 0 0
//? expect 2 3 2 3
#pragma pack_matrix(row_major)
typedef float2x2 Rows;
struct Holder { float2x2 m; };
#pragma pack_matrix(column_major)
typedef float2x2 Columns;
Rows a : register(c0);
Holder h : register(c2);
Columns c : register(c4);
float4 main() : COLOR0
{
    // rows: _12 is c0.y, _21 is c1.x; columns: _12 is c5.x
    return float4(a._12, a._21, h.m._12, c._12);
}
