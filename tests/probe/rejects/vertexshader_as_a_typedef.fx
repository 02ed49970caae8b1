// VertexShader cannot be a typedef's name, though a function may have it.
//? entry ps_3_0 main()
//? error 4 VertexShader
typedef float4 VertexShader;
float4 main() : COLOR0
{
    return 0.5;
}
