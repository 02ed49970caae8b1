// A vector takes a scalar, as many components or more: a float2 stored
// into a float4 is an error at the operator, a compound one too.
//? entry ps_3_0 main()
//? error 9 2 components cannot be stored in 4
float4 v : register(c0);
float4 main() : COLOR0
{
    float4 a = v;
    a += v.xy;
    return a;
}
