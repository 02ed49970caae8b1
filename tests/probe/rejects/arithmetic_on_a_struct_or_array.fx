// Arithmetic takes scalars, vectors and matrices: a struct or an array
// variable given to an operator is an error at the operator (its members
// and elements are values).
//? entry ps_3_0 main()
//? error 12 '+': 'light' is a struct ('Light')
struct Light { float3 colour; float power; };
float4 v;
float4 main() : COLOR0
{
    Light light = (Light)v;
    float weights[2] = { light.power, 1 };
    float3 sum = light + weights[0];
    return float4(sum, 1);
}
