// A bool read as a value sits in a c register; any value but 0 is true.
//? entry ps_3_0 main()
//? ps c0 = 0.5 0 0 0  0 0 0 0
//? expect 1 2 0 1
bool on;
bool off;
float4 main() : COLOR0
{
    return float4(on ? 1 : 2, off ? 1 : 2, (float)off, (float)on);
}
