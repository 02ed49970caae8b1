// dot takes vectors: a matrix is no vector.
//? entry ps_3_0 main()
//? error 7 'dot' takes vectors
float4 main() : COLOR0
{
    float2x2 m = float2x2(1, 0, 0, 1);
    return dot(m, m);
}
