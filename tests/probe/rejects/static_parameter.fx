// A parameter is in, out, inout, uniform or const, not static.
//? entry ps_3_0 main()
//? error 4 not parameters
float Twice(const float a, uniform float b, static float c) { return a + b + c; }
float4 main() : COLOR0
{
    return Twice(1, 2, 3);
}
