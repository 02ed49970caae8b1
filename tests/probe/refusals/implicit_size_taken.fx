// An array without a size takes its initializer's length: six floats are
// two float3.
//? entry ps_3_0 main()
//? expect 0.5 0.25 0.125 2
static const float3 w[] = {1, 2, 4, 0.5, 0.25, 0.125};
float4 main() : COLOR0
{
    float n = 0;
    for (int i = 0; i < 2; i++) n += 1;
    return float4(w[1], n);
}
