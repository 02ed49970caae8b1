// An unsuffixed literal of 2^31 or more is an int: giving it to a uint is an error.
//? entry ps_3_0 main()
//? error 6 3000000000
float4 main() : COLOR0
{
    uint x = 3000000000;
    return x;
}
