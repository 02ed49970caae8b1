// extern, shared and uniform are for globals; static and const locals are
// fine.
//? entry ps_3_0 main()
//? error 9 not local variables
float4 main() : COLOR0
{
    static float a = 1;
    const float b = 2;
    uniform float c = 3;
    return a + b + c;
}
