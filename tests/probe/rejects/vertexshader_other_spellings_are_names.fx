// Only "VertexShader" and "vertexshader" are keywords; other spellings are
// ordinary names.
//? entry ps_3_0 main()
//? expect 0.5 0.5 0.5 0.5
float4 main() : COLOR0
{
    float4 VERTEXSHADER = 0.25;
    float4 Vertexshader = 0.25;
    return VERTEXSHADER + Vertexshader;
}
