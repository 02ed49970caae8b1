// A function declared, then defined, then called; and overloads by a
// parameter's type (float, half) and by a parameter's count: one body each.
//? entry ps_3_0 main()
//? expect 0.5 0.25 0.125 1
float Pick(float x);
float Pick(float x)
{
    return x;
}
float Pick(half x, float y)
{
    return x * y;
}
float Pick(float x, float y)
{
    return x * y * 0.5;
}
float4 main() : COLOR0
{
    return float4(Pick(0.5), Pick((half)0.5, 0.5), Pick(0.5, 0.5), 1);
}
