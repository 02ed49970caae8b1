// inline makes a function's calls inline; a variable has none.
//? entry ps_3_0 main()
//? error 4 'inline' is for functions, not variables
inline static float4 grey = 0.5;
float4 main() : COLOR0
{
    return grey;
}
