// An entry point is one function; a second definition of its name leaves
// the compile statement nothing to choose by.
//? entry ps_3_0 main()
//? error 9 'main' is an entry point and cannot be overloaded
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return float4(uv, 0, 1);
}
float4 main(float3 uvw : TEXCOORD0) : COLOR0
{
    return float4(uvw, 1);
}
