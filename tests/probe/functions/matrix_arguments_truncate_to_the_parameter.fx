// A matrix given to a parameter of a smaller matrix is truncated to it
// (its first rows and columns), as when a float4x4 world matrix is given
// to a function that turns normals with a float3x3.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16
//? expect 1 2 5 6
row_major float4x4 World : register(c0);
float4 corner(float2x2 m) { return float4(m[0], m[1]); }
float3 turn(float3 n, float3x3 m) { return mul(n, m); }
float4 main() : COLOR0
{
    float3 n = turn(float3(0, 0, 0), World);
    return corner(World) + float4(n, 0);
}
