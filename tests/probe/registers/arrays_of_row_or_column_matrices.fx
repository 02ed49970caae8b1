// An array of column-major 1xN matrices takes N registers an element, each
// element in .x (a row-major one a register an element): indexed by a
// constant or at run time, whole or by its swizzles.
//? entry ps_3_0 main()
//? ps c0 = 1 -1 -1 -1
//? ps c1 = 2 -1 -1 -1
//? ps c2 = 3 -1 -1 -1
//? ps c3 = 4 -1 -1 -1
//? ps c4 = 5 -1 -1 -1
//? ps c5 = 6 -1 -1 -1
//? ps c6 = 10 20 30 -1
//? ps c7 = 40 50 60 -1
//? ps c8 = 1 0 0 0
//? expect 44 55 66 65
float1x3 columns[2] : register(c0);
row_major float1x3 rows[2] : register(c6);
float4 k : register(c8);
float4 main() : COLOR0
{
    int i = (int)k.x;
    return float4(columns[i] + rows[i][0], columns[1]._12 + rows[1]._13);
}
