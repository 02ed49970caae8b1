// 'uniform' qualifies a variable or a parameter, not what a function returns.
//? entry ps_3_0 main()
//? error 4 return type
uniform float Half() { return 0.5; }
float4 main() : COLOR0
{
    return Half();
}
