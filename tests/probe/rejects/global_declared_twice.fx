// A global is declared once; a function may be declared before it is
// defined, and overloaded.
//? entry ps_3_0 main()
//? error 7 declared twice at global scope
float4 a, b;
float f(float x);
float4 c = { 1, 2, 3, 4 }, a;
float f(float x) { return x; }
float2 f(float2 x) { return x; }
float4 main() : COLOR0
{
    return a + b + c + f(1);
}
