// A u literal is unsigned: 3000000000u read into an int stays 3e9 (ints are
// floats at run time), in hex too; a switch still finds its case.
//? entry ps_3_0 main()
//? expect 3000000000 3000000000 2147483648 1
float4 main() : COLOR0
{
    int x = 3000000000u;
    uint u = 3000000000u;
    int h = 0x80000000u;
    int c = 0;
    switch (x == 3000000000.0 ? 1u : 0u) {
        case 1u: c = 1; break;
        default: c = -1; break;
    }
    return float4(x, u, h, c);
}
