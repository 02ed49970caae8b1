// A '[' left open is said where it opens, not at the code the reading runs
// into after the function.
//? entry ps_3_0 main()
//? error 8 '[' is never closed
float4 main() : COLOR0
{
    float a[2] = { 0.5, 0.25 };
    return a[0 + a[1];
}
