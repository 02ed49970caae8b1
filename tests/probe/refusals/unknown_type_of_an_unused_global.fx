// A declaration's type must be one the language or the effect declares,
// though nothing reads the global.
//? entry ps_3_0 main()
//? error 5 'Colour': unknown type
Colour tint;
float4 main() : COLOR0
{
    return 0.5;
}
