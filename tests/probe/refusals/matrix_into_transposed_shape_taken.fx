// A float1x3 into a float1x3, a float3x3 cast into its top left float2x2.
//? entry ps_3_0 main()
//? expect 0.25 0.75 0.125 1
float1x3 Row(float1x3 row) { return row; }
float4 main() : COLOR0
{
    float3x3 m = float3x3(0.125, 0, 0,  0, 1, 0,  0, 0, 1);
    float2x2 top = (float2x2)m;
    float1x3 r = Row(float1x3(0.25, 0.5, 0.75));
    return float4(r._11, r._13, top._11, top._22);
}
