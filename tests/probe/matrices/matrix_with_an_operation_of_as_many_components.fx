// A matrix with the result of an operation of as many components takes it
// element by element, a product too (not the product of a matrix and a
// column): m * (v * 2) multiplies each m[i][j] by the matching 2 * v.
// mul reads an operation's shape too: a float4 sum by a float3x3 row
// vector truncates to its first three components.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? warning 18 truncation
//? expect 32 3 3 6
float4 v : register(c0);
float4 main() : COLOR0
{
    float2x2 m = float2x2(1, 2, 3, 4);
    float2x2 a = m * (v * 2);                      // (2, 8, 18, 32)
    float2x2 b = (v.wzyx + v) - (m - 1);           // 5 - (0, 1, 2, 3)
    float2x2 c = -(m + 1) * -(v / 2);              // (2, 3, 4, 5) * (0.5, 1, 1.5, 2)
    float3x3 n = float3x3(1, 0, 0, 0, 1, 0, 0, 0, 1);
    float3 d = mul(v + v.wzyx, n);                 // (5, 5, 5)
    return float4(a._22, b._21, c._12, c._21 + d.z - 5);
}
