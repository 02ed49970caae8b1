// "*" of two elements of arrays of matrices (an array declared through a
// typedef too) multiplies element by element, as of two matrices.
//? entry ps_3_0 main()
//? ps c0 = 1 2 0 0  3 4 0 0
//? expect 1 0 0 4
typedef float2x2 Pair[2];
row_major float2x2 m : register(c0);
float4 main() : COLOR0
{
    Pair p;
    p[0] = m;
    p[1] = float2x2(1, 0, 0, 1);
    float2x2 r = p[0] * p[1];
    return float4(r._11, r._12, r._21, r._22);
}
