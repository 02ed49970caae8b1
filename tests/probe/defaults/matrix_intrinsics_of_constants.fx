// mul, transpose and determinant in initial values take the shapes of the
// matrices' constructors, casts and globals: a vector is a row on mul's
// left and a column on its right, and the longer side is truncated.
//? entry ps_3_0 main()
//? size 4 1
//? abs 1e-5
//? expect at 0 0 = 4 5 10 11
//? expect at 1 0 = 6 15 -3 -3
//? expect at 2 0 = 1 4 3 6
//? expect at 3 0 = 1 3 -2 22
float2x3 A = float2x3(1, 2, 3, 4, 5, 6);
float2x2 P = mul(A, float3x2(1, 0, 0, 1, 1, 1));
float4 Q = float4(mul(A, float3(1, 1, 1)), mul(float2(1, -1), A).xz);
float3x2 T = transpose(A);
row_major float3x3 M = float3x3(1, 2, 3, 0, 1, 4, 5, 6, 0);
float4 D = float4(determinant(M), determinant((float2x2)float4(3, 1, 4, 2)) + 1,
                  determinant(float2x2(1, 2, 3, 4)), mul(float4(1, 2, 3, 4), (float3x3)M).y);
float4 main(float2 p : VPOS) : COLOR0
{
    if (p.x == 0) return float4(P[0], P[1]);
    if (p.x == 1) return Q;
    if (p.x == 2) return float4(T[0], T[2]);
    return D;
}
