// A row of a matrix is a vector dot takes.
//? entry ps_3_0 main()
//? expect 0.75 0.75 0.75 0.75
float4 main() : COLOR0
{
    float2x2 m = float2x2(0.5, 0.25, 0, 1);
    return dot(m[0], float2(1, 1));
}
