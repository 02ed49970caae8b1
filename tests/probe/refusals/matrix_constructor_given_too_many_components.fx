// A matrix constructor takes exactly its elements: another matrix's
// elements count, so a float2x2 and a scalar are too many for a float2x2.
//? entry ps_3_0 main()
//? error 9 incorrect number of arguments to numeric-type constructor: float2x2 has 4 components, given 5
float4 v;
float4 main() : COLOR0
{
    float2x2 a = float2x2(v);
    float2x2 b = float2x2(a, v.x);
    return b[0].xyxy;
}
