// A cast of a matrix to a smaller one keeps its upper-left corner: to an
// Nx1, the top of the first column (not the first row).
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 0  4 5 6 0  7 8 9 0
//? expect 1 4 7 5
row_major float3x3 m : register(c0);
float3x1 column(float3x3 a) { return (float3x1)a; }
float4 main() : COLOR0
{
    float3x1 c = column(m);
    float2 d = (float2x1)(m * 2) + (float2x1)(int3x3)m;
    return float4(c._11, c._21, c._31, d.y / 3 + (float1x1)m);
}
