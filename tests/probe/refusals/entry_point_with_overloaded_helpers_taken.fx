// The functions an entry point calls may be overloaded.
//? entry ps_3_0 main()
//? expect 0.5 0.25 0 1
float half_of(float x) { return x * 0.5; }
float2 half_of(float2 x) { return x * 0.5; }
float4 main() : COLOR0
{
    return float4(half_of(1.0), half_of(float2(0.5, 0)), 1);
}
