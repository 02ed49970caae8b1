// A vector is never widened to a parameter: given to f beside f(float) and
// f(float4), a float2 or float3 goes to f(float) as its first component,
// with the truncation warning; a scalar goes to either one's exact match.
// A call after return is an argument like any other.
//? entry ps_3_0 main()
//? warning 15 implicit truncation of vector type
//? expect 5 7 0.5 2
float f(float x) { return x; }
float f(float4 x) { return -1; }
float g(float x) { return x * 0.5; }
float4 main() : COLOR0
{
    float2 a = float2(5, 6);
    float3 b = float3(7, 8, 9);
    return float4(f(a), f(b), g(float2(1, 3)), 2);
}
