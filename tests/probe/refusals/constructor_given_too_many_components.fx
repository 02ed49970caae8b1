// A vector constructor takes exactly its type's components: a float4 given
// two scalars and a float3 (five) is refused.
//? entry ps_3_0 main()
//? error 8 incorrect number of arguments to numeric-type constructor: float4 has 4 components, given 5
float4 v;
float4 main() : COLOR0
{
    return float4(v.x, v.y, float3(1, 2, 3));
}
