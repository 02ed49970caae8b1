// Elements of a 1xN, Nx1 or 1x1 matrix that is no variable: a call's
// result, a cast (1x3 takes _1N, 3x1 takes _N1).
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 3 2 5 1
float4 v : register(c0);
float1x3 Row(float3 x) { return x; }
float4 main() : COLOR0
{
    float2 down = ((float3x1)v.xyz)._31_21;
    return float4(Row(v.xyz)._13, ((float1x3)v.xyz)._12, down.x + down.y, ((float1x1)v.x)._m00);
}
