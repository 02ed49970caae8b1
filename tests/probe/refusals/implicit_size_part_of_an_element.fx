// The values of an array without a size fill whole elements: five floats
// are two float2 and half of one.
//? entry ps_3_0 main()
//? error 5 not a whole number
static const float2 w[] = {1, 2, 3, 4, 5};
float4 main() : COLOR0
{
    return w[1].x;
}
