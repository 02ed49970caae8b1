// transpose of every shape from 1x1 to 4x4 swaps rows and columns (a 1xN
// matrix becomes Nx1); determinant of 1x1 to 4x4 matrices.
//? entry ps_3_0 main()
//? size 4 2
//? ps c0 = 0.5 2 -3 4
//? ulps 64
//? expect at 0 0 = 3 1 2 3
//? expect at 1 0 = 1 4 2 5
//? expect at 2 0 = 3 6 4 8
//? expect at 3 0 = 4 8 12 16
//? expect at 0 1 = 1 5 9 13
//? expect at 1 1 = 3 -3 -2 20
//? expect at 2 1 = 2 4 1 3
//? expect at 3 1 = 5 25 0 0
float4 v : register(c0);
float4 main(float2 p : VPOS) : COLOR0
{
    int i = (int)(p.x + 4 * p.y);
    float1x1 one = 3;
    float1x3 row = float1x3(1, 2, 3);
    float2x3 m23 = float2x3(1, 2, 3, 4, 5, 6);
    float4x4 m44 = float4x4(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    float3x3 m33 = float3x3(1, 2, 3, 4, 5, 6, 7, 8, 10);
    float4x4 d44 = float4x4(2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 5, 0, 1, 0, 0, 2);
    float2x2 m22 = float2x2(1, 2, 3, 4);
    float3x1 column = transpose(row);
    float3x2 t23 = transpose(m23);
    float4x4 t44 = transpose(m44);
    float4x2 t42 = transpose(float2x4(1, 2, 3, 4, 5, 6, 7, 8));
    if (i == 0) return float4(transpose(one), column._11, column._21, column._31);
    if (i == 1) return float4(t23[0], t23[1]);
    if (i == 2) return float4(t23[2], t42[3]);
    if (i == 3) return t44[3];
    if (i == 4) return t44._11_12_13_14;
    if (i == 5) return float4(determinant(one), determinant(m33), determinant(m22), determinant(d44));
    if (i == 6) return float4(transpose(m22)[1], transpose(m22)[0]);
    return float4(t42[0] * 5, 0, 0);
}
