// Overloads that call each other in a circle are recursion, refused at the
// call that closes it: each call goes to the overload its arguments choose
// (here f(float) -> f(float2) -> f(float) through an int overload's caller).
//? entry ps_3_0 main()
//? error 9 recursive call
float f(float2 x);
float f(int x) { return x * 2; }
float f(float x) { return f(float2(x, x)); }
float f(float2 x) { return x.x > 3 ? f(2) : f(x.x + 1); }
float4 main() : COLOR0 { return f(1.0); }
