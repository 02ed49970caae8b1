// A constructor given fewer components than its type has is refused (a
// single scalar too: Direct3D 9 does not spread it).
//? entry ps_3_0 main()
//? error 9 incorrect number of arguments to numeric-type constructor: float3x3 has 9 components, given 8
float4 v;
float4 main() : COLOR0
{
    float3x3 m =
        float3x3(v, v.xyz, 1);
    return m[0].xyzz;
}
