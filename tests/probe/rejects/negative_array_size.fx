// A negative literal is no array size (and out of bounds as an index).
//? entry ps_3_0 main()
//? error 8 cannot be negative
float4 k[2];
float4 main() : COLOR0
{
    float a[2] = { 1, 2 };
    float b[-1];
    return k[1] * a[1];
}
