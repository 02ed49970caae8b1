// An explicit register reserves its global's whole size though the shader
// never reads it: v goes after the matrix, to c4.
//? entry ps_3_0 main()
//? ps c0 = 9 9 9 9  9 9 9 9  9 9 9 9  9 9 9 9
//? ps c4 = 1 2 3 4
//? expect 1 2 3 4
float4x4 m : register(c0);
float4 v;
float4 main() : COLOR0
{
    return v;
}
