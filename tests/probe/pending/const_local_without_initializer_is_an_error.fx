// A local const without an initializer is an error.
//? entry ps_3_0 main()
//? xfail accepted today
//? error 7 const
float4 main() : COLOR0
{
    const float k;
    return 1;
}
