// Another function's local or parameter of a global's name is not the
// global: writing it leaves the global where it is (a bool read only as an
// if condition in a b register, tint at c0) with its value.
//? entry ps_3_0 main()
//? ps c0 = 0.5 0.5 0.5 0.5
//? expect 0.5 0.5 0.5 0.5
bool enabled = true;
float4 tint;
float4 other(float4 tint)
{
    float2x2 enabled = 0;
    enabled[0] = tint.xy;
    tint *= 2;
    return enabled[0].xyxy + tint;
}
float4 main() : COLOR0
{
    if (enabled)
        return tint;
    return 2;
}
