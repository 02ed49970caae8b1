// A storage class written twice is an error, not the same one said again.
//? entry ps_3_0 main()
//? error 6 given twice
float4 main() : COLOR0
{
    const const float k = 0.5;
    return k;
}
