//? entry ps_3_0 main()
//? error 7 determinant takes a square matrix; 'm' is not one
float4 main() : COLOR0
{
    float2x2 square = float2x2(2, 0, 0, 0.25);
    float2x3 m = 0;
    return float4(determinant(square), determinant(m), 0, 1);
}
