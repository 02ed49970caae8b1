// mul of an Nx1 by a matrix of more rows multiplies the matrix's first row
// (the column by that row: every c[i] * m[0][j]); of a matrix by a 1xN its
// first column by the row. Both with the truncation warning.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? warning 14 truncation
//? warning 15 truncation
//? expect 3 14 27 37
float4 v : register(c0);
float4 main() : COLOR0
{
    float4x4 w = float4x4(1, 5, 6, 7, 8, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1);
    float3x1 c = v.xyz;
    float3x4 a = mul(c, w);                      // a[i][j] = c[i] * w[0][j]
    float4x2 b = mul(w, (float1x2)v.zw);         // b[i][j] = w[i][0] * (3, 4)[j]
    float2x3 n = mul(float2x1(v.xy), float3x3(v.wzy, v.xyz, v.zyx));  // (1, 2) by (4, 3, 2)
    float3x2 t = mul(float3x2(v.xy, v.zw, v.yx), float1x2(1, -1));    // (1, 3, 2) by (1, -1)
    return float4(a[2][0], a[1][3], b[3][0] + n._23 - t._31 * 2 + t._22,
                  b[3][1] + n._12 - t._12 * 3 - 9);
}
