// An initializer the effect cannot evaluate is a warning; the global
// starts at zero.
//? entry ps_3_0 main()
//? warning 6 the initial value of 'n' cannot be evaluated
//? expect 0 0 0 1
float3 n = float3x3(1, 0, 0, 0, 1, 0, 0, 0, 1)[0];
float4 main() : COLOR0
{
    return float4(n, 1);
}
