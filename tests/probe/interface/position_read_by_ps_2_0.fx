// ps_2_0 has no input register for the vertex shader's POSITION: it drops one
// it takes but never reads, and reading it is an error.
//? entry ps_2_0 main()
//? error 5 POSITION
float4 main(float4 uv : TEXCOORD0, float4 p : POSITION) : COLOR0
{
    return uv * p.x;
}
