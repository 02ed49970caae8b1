// const may follow the type, in a global, a local and a parameter; a bare
// unsigned is an unsigned int.
//? entry ps_2_0 main()
//? expect 0.25 0.5 0.75 1
static float const quarter = 0.25;
float Half(float const x) { return x * 0.5; }
float4 main() : COLOR0
{
    unsigned n = 4;
    float3 const c = float3(quarter, Half(1), 3.0 / n);
    return float4(c, 1);
}
