// A vertex shader writes the whole position.
//? entry vs_3_0 main()
//? error 4 all four components of POSITION
float2 main(float4 p : POSITION) : POSITION
{
    return p.xy;
}
