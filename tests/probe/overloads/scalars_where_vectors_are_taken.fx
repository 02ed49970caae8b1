// Scalars given where a vector is taken: normalize, reflect and refract
// compute as on a vector of one component, determinant of a scalar (or a
// 1x1 matrix) is the scalar, transpose gives it back, any and all test it
// against zero; length, distance and dot of scalars likewise.
//? entry ps_3_0 main()
//? size 4 2
//? ps c0 = 0.5 2 -3 4
//? ulps 64
//? expect at 0 0 = -1 1 -3.5 0
//? expect at 1 0 = -0.90138781 0 0 0
//? expect at 2 0 = -3 4 0.5 -3
//? expect at 3 0 = 0 1 0 1
//? expect at 0 1 = 3 3.5 1 -6
//? expect at 1 1 = 1 0 1 0
//? expect at 2 1 = 2 2 0 0
//? expect at 3 1 = 2 2 0 0
float4 v : register(c0);
float4 main(float2 p : VPOS) : COLOR0
{
    int i = (int)(p.x + 4 * p.y);
    float1x1 m = v.z;
    int k = 2;
    bool b = false;
    if (i == 0) return float4(normalize(v.z), normalize(v.x), reflect(v.x, v.y), 0);
    if (i == 1) return float4(refract(v.x, 1, 0.5), 0, 0, 0);
    if (i == 2) return float4(determinant(v.z), transpose(v.w), determinant((half)v.x), determinant(m));
    if (i == 3) return float4(any(0), all(v.z), any(b), all(!b));
    if (i == 4) return float4(length(v.z), distance(v.x, v.w), dot(v.x, v.y), dot(k, v.z));
    if (i == 5) return float4(all(k), any(k - 2), any(true), all(0.0));
    return float4(transpose(k), length(k), 0, 0);
}
