// Every channel of a pixel input that the vertex shader does not write reads
// 0, and 1 in w, as Direct3D 9's registers default: a float or float2 or
// float3 texture coordinate read as a float4, and a texture coordinate and a
// colour the vertex shader never writes, each read (0, 0, 0, 1).
//? expect 1.5 3 5.125 3
void vs(float4 p : POSITION, out float4 clip : POSITION, out float a : TEXCOORD0,
        out float2 b : TEXCOORD1, out float3 c : TEXCOORD2)
{
    clip = p;
    a = 0.5;
    b = float2(0.25, 0.75);
    c = float3(0.125, 0.375, 0.625);
}
float4 ps(float4 a : TEXCOORD0, float4 b : TEXCOORD1, float4 c : TEXCOORD2, float4 d : TEXCOORD5,
          float4 e : COLOR1) : COLOR0
{
    return float4(dot(a, 1), dot(b, float4(1, 1, 1, 2)), dot(c, float4(1, 1, 1, 4)),
                  dot(d, 1) + dot(e, float4(1, 1, 1, 2)));
}
technique T { pass P { VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }
