// A function defined twice with the same parameter types (a typedef's name
// is its type) is an error at the second name; overloads that differ by a
// parameter's type are two functions.
//? entry ps_3_0 main()
//? error 16 'Scale': a function with these parameters is defined twice
typedef float Amount;
float Scale(float x, float2 y)
{
    return x * y.x;
}
float Scale(float x, float3 y)
{
    return x * y.z;
}
float
Scale(Amount x, float2 y)
{
    return x;
}
float4 main() : COLOR0
{
    return Scale(0.5, float2(1, 1));
}
