// A function declared before its use and defined after it.
//? entry ps_3_0 main()
//? expect 0.5 0.25 0 1
float shade(float x);
float4 main() : COLOR0
{
    return float4(shade(1), 0.25, 0, 1);
}
float shade(float x) { return x * 0.5; }
