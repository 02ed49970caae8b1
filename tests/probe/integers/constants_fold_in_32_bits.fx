// Integer constants fold in 32 bits: an unsuffixed literal of 2^31 or more is a
// wrapped int, and int arithmetic on constants wraps.
//? entry ps_3_0 main()
//? expect -2147483648 -1294967296 -2147483648 0
float4 main() : COLOR0
{
    int a = 2147483648;
    float b = 3000000000;
    int c = 2147483647 + 1;
    int d = 65536 * 65536;
    return float4(a, b, c, d);
}
