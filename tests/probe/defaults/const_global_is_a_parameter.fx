// A const global that is not static is a parameter like any other: its
// initializer is its starting value, and the program's registers overwrite it.
//? entry ps_3_0 main()
//? ps c1 = 7 7 7 7
//? expect 0.25 7 0 0
const float a = 0.25;
const float b = 3.0;
float4 main() : COLOR0
{
    return float4(a, b, 0, 0);
}
