// A matrix and a vector meet in an operator only with as many components:
// a float3x3 times a float3 is an error at the operator (not the product of
// a matrix and a column).
//? entry ps_3_0 main()
//? error 10 do not convert
float4 v : register(c0);
float4 main() : COLOR0
{
    float3x3 m = float3x3(v.xyz, v.yzw, v.zwx);
    float3 r = m * v.xyz;
    return float4(r, 1);
}
