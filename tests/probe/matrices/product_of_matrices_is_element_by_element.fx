// "*" between two matrices multiplies element by element (mul is the matrix
// product); of two shapes, both are truncated to the smaller rows and
// columns, with a warning; "*=" and a chain ("m * 2 * m") likewise.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? warning 15 truncation
//? expect 3 8 9 16
float4 v : register(c0);
float4 main() : COLOR0
{
    float2x2 m = float2x2(v);
    float3x3 n = float3x3(3, 4, 0, 3, 4, 0, 0, 0, 0);
    float2x2 p = m * (float2x2)n;     // 3 8 9 16
    float2x2 q = m;
    q *= n;
    float2x2 r = m * 2 * m;           // 2 8 18 32
    return float4(p._11, p._12, r._21 / 2, q._22);
}
