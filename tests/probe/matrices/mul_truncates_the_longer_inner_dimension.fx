// mul truncates the longer of its two inner dimensions to the shorter, with
// Direct3D 9's warning: a float4 by a float3x3 multiplies v.xyz, a float3
// by a float4x4 the matrix's first three rows (no translation), a float4x4
// by a float3 its first three columns, a float2 by a float4 the first two
// (a 1xN matrix on the left is a vector).
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? warning 16 truncation
//? expect 9 3 100 5
float4 v : register(c0);
float4 main() : COLOR0
{
    float3x3 m = float3x3(1, 0, 0, 0, 2, 0, 0, 0, 3);
    float4x4 w = float4x4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1);
    float3 a = mul(v, m);           // (1, 4, 9)
    float4 b = mul(v.xyz, w);       // (1, 2, 3, 0)
    float4 c = mul(w, v.zyx);       // (3, 2, 1, 30 + 40 + 30)
    float d = mul(v.xy, v);         // 1 + 4
    float1x4 row = v;
    float3 e = mul(row, m);         // a 1x4 as a vector: (1, 4, 9)
    return float4(a.z, b.w + b.z, c.w, d + e.y - 4);
}
