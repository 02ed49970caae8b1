// An Nx1 matrix's element [i][0] is its row i, read and written, local or
// a row-major uniform held as an array.
//? entry ps_3_0 main()
//? ps c0 = 5 0 0 0  6 0 0 0  7 0 0 0
//? expect 7 3 6 4
row_major float3x1 u : register(c0);
float4 main() : COLOR0
{
    float4x1 a = {1, 2, 3, 4};
    a[0][0] = u[2][0];
    float2x1 b = {3, 4};
    return float4(a[0][0], b[0][0], u[1][0], b[1][0] + a[1][0] - 2);
}
