// An initializer the effect cannot evaluate (here an element of an array)
// is a warning; the global starts at zero.
//? entry ps_3_0 main()
//? warning 7 the initial value of 'n' cannot be evaluated
//? expect 0 0 0 1
static const float3 k[2] = { float3(1, 0, 0), float3(0, 1, 0) };
float3 n = k[1];
float4 main() : COLOR0
{
    return float4(n, 1);
}
