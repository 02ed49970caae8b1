// A function that calls itself through another is refused at the call
// that closes the circle; overloads that call each other are not.
//? entry ps_3_0 main()
//? error 8 recursive call
float3 scale(float3 x) { return x * 2; }
float scale(float x) { return scale(float3(x, x, x)).x; }
float down(float x);
float step_down(float x) { return down(x - 1); }
float down(float x) { return x < 1 ? x : step_down(x); }
float4 main() : COLOR0 { return scale(down(3)); }
