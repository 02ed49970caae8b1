// The two values of a ternary meet as the operands of an operator do: a
// float3x3 and a float3 are an error at the '?' (glslang would crash).
//? entry ps_3_0 main()
//? error 9 do not convert
float4 v : register(c0);
float4 main() : COLOR0
{
    float3x3 m = float3x3(v.xyz, v.yzw, v.zwx);
    float3 r = (v.x > 0 ? m : v.xyz)[0];
    return float4(r, 1);
}
