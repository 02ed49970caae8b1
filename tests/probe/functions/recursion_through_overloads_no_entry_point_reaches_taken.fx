// Overloads calling each other in a circle that no entry point reaches are
// never compiled, so they are no error; overloads the entry point reaches
// and that call one another without a circle compute as usual.
//? entry ps_3_0 main()
//? expect 6 6 6 6
float f(float2 x);
float f(float x) { return f(float2(x, x)); }
float f(float2 x) { return f(x.x); }
float g(float3 v) { return v.x + v.y + v.z; }
float g(float x) { return g(float3(x, x, x)); }
float4 main() : COLOR0 { return g(2.0); }
