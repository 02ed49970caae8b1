// A typedef names a type: const and the majorities belong to it, storage
// classes to the variables declared with it.
//? entry ps_3_0 main()
//? error 5 'static' cannot qualify a typedef
typedef static float4 Colour;
float4 main() : COLOR0
{
    Colour c = 0.5;
    return c;
}
