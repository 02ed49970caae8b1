// A bigger matrix given to a 1xN or an Nx1 (declared, assigned, returned,
// an argument) keeps its upper-left corner: the first row's start, the
// first column's top.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 0  4 5 6 0  7 8 9 0
//? expect 1 2 3 15
row_major float3x3 m : register(c0);
float3x1 column() { return m; }
float second(float2x1 c) { return c._21; }
float4 main() : COLOR0
{
    float1x3 r = m;
    float2x1 c;
    c = m;
    return float4(r._11, r._12, r._13, c._21 + column()[2] + second(m));
}
