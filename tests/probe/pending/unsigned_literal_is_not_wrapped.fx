// A u literal is unsigned: 3000000000u read into an int stays 3e9 (ints are floats at run time).
//? entry ps_3_0 main()
//? xfail ints are 32-bit ints at run time here: the uint value wraps into the int
//? expect 3000000000 3000000000 0 0
float4 main() : COLOR0
{
    int x = 3000000000u;
    uint u = 3000000000u;
    return float4(x, u, 0, 0);
}
