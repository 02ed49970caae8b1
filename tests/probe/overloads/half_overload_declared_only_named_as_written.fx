// A half overload declared and never defined is an error at its call,
// naming the function as written.
//? entry ps_3_0 main()
//? error 10 'f': a function declared but never defined
float f(half a);
float f(float a) { return a * 2; }
float4 main() : COLOR0
{
    half h = 1;
    return f(h);
}
