// A row of a matrix is a vector and takes the vector letters; so does a
// matrix of one row.
//? entry ps_3_0 main()
//? expect 0.5 0.25 0 1
float4 main() : COLOR0
{
    float2x2 m = float2x2(0.5, 0.25, 0, 1);
    float1x2 r = float1x2(0, 1);
    return float4(m[0].xy, r.x, r.y);
}
