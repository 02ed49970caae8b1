// VertexShader names the shader type of the effect framework.
//? entry ps_3_0 main()
//? error 4 VertexShader
static float4 VertexShader = 0.5;
float4 main() : COLOR0
{
    return VertexShader;
}
