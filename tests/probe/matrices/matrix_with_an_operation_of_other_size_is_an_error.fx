// A matrix meets the result of an operation as it meets a vector: a
// float3x3 plus the float3 that (w + v.xyz) makes is an error at the
// operator, in brackets or bound more tightly (m - w * 2).
//? entry ps_3_0 main()
//? error 11 do not convert
//? error 12 do not convert
float4 v : register(c0);
float4 main() : COLOR0
{
    float3x3 m = float3x3(v.xyz, v.yzw, v.zwx);
    float3x3 r = m + (v.zyx + v.xyz);
    r = m - v.xyz * 2;
    return float4(r[0], 1);
}
