// A const written after the type is const all the same.
//? entry ps_2_0 main()
//? error 8 'k' is const: it cannot be assigned to
float4 main() : COLOR0
{
    float const k = 0.5;
    float r = k;
    k = 0.25;
    return r;
}
