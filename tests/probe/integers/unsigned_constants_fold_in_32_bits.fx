// Arithmetic on constants with a u literal of 2^31 or more folds in 32 bits,
// unsigned: the products and sums wrap; a large result stays unsigned.
//? entry ps_3_0 main()
//? expect 1705032704 1 3000000001 2147483649
float4 main() : COLOR0
{
    uint a = 3000000000u * 2;
    uint b = 0xFFFFFFFFu + 2;
    uint c = 3000000000u + 1;
    uint d = 2 * 0x80000000u + 2147483649u;
    return float4(a, b, c, d);
}
