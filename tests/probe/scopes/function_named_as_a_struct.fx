// A struct's name is a type: a function cannot take it.
//? entry ps_3_0 main()
//? error 5 'Light' is a struct's name: a function cannot take it
struct Light { float3 dir; };
float Light(float x)
{
    return x;
}
float4 main() : COLOR0
{
    return 0.5;
}
