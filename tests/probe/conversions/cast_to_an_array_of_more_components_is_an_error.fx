// A cast takes its components from its operand and makes none: a float3
// cast to a float[4] is an error at the cast, an argument's too.
//? entry ps_3_0 main()
//? error 9 cannot cast 'float3' of 3 components to 'float[4]' of 4
float4 v : register(c0);
float first(float f[4]) { return f[0]; }
float4 main() : COLOR0
{
    return first((float[4])v.xyz);
}
