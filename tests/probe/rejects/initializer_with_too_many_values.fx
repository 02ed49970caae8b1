// An initializer list gives exactly as many values as its type holds:
// too many is an error.
//? entry ps_3_0 main()
//? error 5 gives 5 values; its type holds 4
float4 k[1] = { 1, 2, 3, 4, 5 };
float4 main() : COLOR0
{
    return k[0];
}
