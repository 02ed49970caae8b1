// Two scalars declared together each take a register of their own, read
// from its x.
//? entry ps_3_0 main()
//? ps c0 = 3 30 30 30  4 40 40 40
//? expect 3 4 7 0
float a, b;
float4 main() : COLOR0
{
    return float4(a, b, a + b, 0);
}
