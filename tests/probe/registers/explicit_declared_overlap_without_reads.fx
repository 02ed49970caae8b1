// Declared sizes may overlap when what is read does not: the matrix reads
// only its first column (c0), v sits at c2.
//? entry ps_3_0 main()
//? ps c0 = 1 9 9 9  9 9 9 9  2 0 0 0
//? expect 1 2 0 0
float4x4 m : register(c0);
float4 v : register(c2);
float4 main() : COLOR0
{
    return float4(m[0][0], v.x, 0, 0);
}
