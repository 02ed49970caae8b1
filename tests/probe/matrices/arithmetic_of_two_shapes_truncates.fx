// + - / between matrices of two shapes work in both truncated to the
// smaller rows and columns, with Direct3D 9's warning.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? warning 14 truncation
//? warning 15 truncation
//? expect 2 3 4 1.5
float4 v : register(c0);
float4 main() : COLOR0
{
    float2x3 m = float2x3(v.xyz, v.yzw);            // 1 2 3 / 2 3 4
    float3x2 n = float3x2(1, 1, 1, 1, 1, 1);
    float3x3 k = float3x3(2, 2, 2, 2, 2, 2, 2, 2, 2);
    float2x2 sum = m + n;                            // 2 3 / 3 4
    float2x2 halves = m / k;                           // 0.5 1 / 1 1.5
    return float4(sum._11, sum._12, sum._22, halves._22);
}
