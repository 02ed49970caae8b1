// An array holds 1 to 65536 elements.
//? entry ps_3_0 main()
//? error 4 between 1 and 65536
static float table[65537];
float4 main() : COLOR0
{
    table[0] = 0.5;
    return table[0];
}
