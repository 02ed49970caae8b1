// A recursive function no entry point calls is never compiled: the effect
// loads, and the helper that calls into it goes with it.
//? entry ps_3_0 main()
//? expect 0.5 0.25 0 1
float count(float x) { return x > 1 ? count(x - 1) : x; }
float caller(float x) { return count(x) + 1; }
float4 main() : COLOR0 { return float4(0.5, 0.25, 0, 1); }
