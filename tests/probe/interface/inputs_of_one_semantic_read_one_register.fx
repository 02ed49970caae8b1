// Two inputs of one semantic read the one register, whatever widths they take.
//? expect 0.5 0.25 0.5 0.25
void vs(float4 p : POSITION, out float4 clip : POSITION, out float4 t : TEXCOORD3)
{
    clip = p;
    t = float4(0.5, 0.25, 2, 4);
}
float4 ps(float2 a : TEXCOORD3, float4 b : TEXCOORD3) : COLOR0
{
    return float4(a, b.xy);
}
technique T { pass P { VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }
