// A static global belongs to the shader; a uniform one the program sets: one
// variable cannot be both.
//? entry ps_3_0 main()
//? error 5 contradicts
static uniform float k = 0.5;
float4 main() : COLOR0
{
    return k;
}
