// A uniform declared through a typedef of a 1xN or Nx1 matrix takes the
// registers the type it names would: a column-major 1x3 one register an
// element (in .x), a row-major one a single register, the typedef's own
// majority or the #pragma in force where it is declared deciding.
//? entry ps_3_0 main()
//? ps c0 = 1 -1 -1 -1
//? ps c1 = 2 -1 -1 -1
//? ps c2 = 3 -1 -1 -1
//? ps c3 = 10 20 30 -1
//? ps c4 = 100 -1 -1 -1
//? ps c5 = 200 -1 -1 -1
//? expect 111 222 33 -1
typedef float1x3 Row;
typedef row_major float1x3 PackedRow;
#pragma pack_matrix(row_major)
typedef float2x1 Column;
#pragma pack_matrix(column_major)
Row a : register(c0);
PackedRow b : register(c3);
Column c : register(c4);
float4 main() : COLOR0
{
    return float4(a._11 + b.x + c._11, a._12 + b._12 + c._21, a.z + b[0].z, -1);
}
