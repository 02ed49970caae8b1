// A 1xN, Nx1 or 1x1 value that is no variable is indexed as one: a row's
// [0][j], a column's [i][0], a 1x1's [0][0]; a bracketed selection of two
// rows is a row whose elements read so.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 2 20 2 7
float4 v : register(c0);
float4 main() : COLOR0
{
    float1x3 r = v.xyz;
    float3x1 c = v.yzw;
    float1x3 none = 0;
    float2x1 squares = float2x1(1, 4);
    return float4((v.x > 0 ? r : none)._12, mul(r, c)[0][0], sqrt(squares)[1][0],
                  mad(r, 2, 1)._13);
}
