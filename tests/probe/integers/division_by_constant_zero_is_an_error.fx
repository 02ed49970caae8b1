// An integer division by a constant zero is an error.
//? entry ps_3_0 main()
//? error 6 division by zero
float4 main() : COLOR0
{
    int x = 5 / 0;
    return x;
}
