// A function declared before its definition: a semantic given only where
// it is declared is an error.
//? entry ps_3_0 main()
//? error 5 semantic
float4 main() : COLOR0;
float4 main()
{
    return 0.5;
}
