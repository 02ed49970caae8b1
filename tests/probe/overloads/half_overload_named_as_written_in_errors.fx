// Overloads that differ by half and float keep apart under names of our
// own; an error about one names the function as written.
//? entry ps_3_0 main()
//? error 6 'f': a function with these parameters is defined twice
float f(half a) { return a; }
float f(half a) { return a; }
float f(float a) { return a * 2; }
float4 main() : COLOR0
{
    half h = 1;
    return f(h);
}
