// An initial value may index a vector or a matrix by a constant, also what
// a call, a constructor or parentheses give, and swizzle the result.
//? entry ps_3_0 main()
//? expect 1 3 7 6
float3 row = float3x3(1, 0, 0, 0, 1, 0, 0, 0, 1)[1];
float column = transpose(float2x2(1, 2, 3, 4))[0].y;
float element = float4(5, 6, 7, 8)[2];
float scaled = (float2(1, 2) * 3).y;
float4 main() : COLOR0
{
    return float4(row.y, column, element, scaled);
}
