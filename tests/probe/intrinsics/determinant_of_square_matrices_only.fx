// determinant takes a square matrix (or a scalar, its value): a 2x3 one
// is an error at the name.
//? entry ps_3_0 main()
//? error 8 determinant takes a square matrix, not a 2x3 one
float4 v;
float4 main() : COLOR0
{
    return determinant(float2x2(v)) + determinant(float2x3(v, v.xy));
}
