// VPOS is a pixel shader's input; a vertex stream has none.
//? entry vs_3_0 main()
//? error 4 a pixel shader's input
float4 main(float4 p : POSITION, float2 v : VPOS) : POSITION
{
    return p;
}
