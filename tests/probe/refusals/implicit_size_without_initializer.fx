// An array without a size takes it from its initializer; without one it has
// none.
//? entry ps_3_0 main()
//? error 7 needs an initializer
float4 main() : COLOR0
{
    float w[];
    return 0;
}
