// A literal after a 0 is octal: a digit 8 or 9 in it is an error at the
// literal.
//? entry ps_3_0 main()
//? error 7 '09': octal literal digit too large
float4 main() : COLOR0
{
    int x = 09;
    return x;
}
