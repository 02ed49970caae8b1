// A function declared again with the same parameters must keep its return type.
//? entry ps_3_0 main()
//? error 5 declared again with the same parameters
float shade(float x);
int shade(float x) { return 1; }
float4 main() : COLOR0
{
    return float4(shade(0.5), 0.25, 0, 1);
}
