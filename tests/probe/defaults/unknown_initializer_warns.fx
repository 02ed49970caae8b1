// An initializer the effect cannot evaluate (here a call of the effect's own
// function) is a warning; the global starts at zero.
//? entry ps_3_0 main()
//? warning 7 the initial value of 'n' cannot be evaluated
//? expect 0 0 0 1
float3 Green() { return float3(0, 1, 0); }
float3 n = Green();
float4 main() : COLOR0
{
    return float4(n, 1);
}
