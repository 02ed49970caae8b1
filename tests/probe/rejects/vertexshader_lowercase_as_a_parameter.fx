// The lowercase spelling is the same keyword.
//? entry ps_3_0 main()
//? error 4 vertexshader
float4 half_of(float4 vertexshader) { return vertexshader * 0.5; }
float4 main() : COLOR0
{
    return half_of(1);
}
