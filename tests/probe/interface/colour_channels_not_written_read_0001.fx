// A vertex shader before vs_3_0 writes its colours into color registers: the
// channels it does not write read (0, 0, 0, 1) in the pixel shader, so a
// float3 colour arrives opaque.
//? expect 0.5 0.25 0 1
void vs(float4 p : POSITION, out float4 clip : POSITION, out float2 c : COLOR1)
{
    clip = p;
    c = float2(0.5, 0.25);
}
float4 ps(float4 c : COLOR1) : COLOR0
{
    return c;
}
technique T { pass P { VertexShader = compile vs_1_1 vs(); PixelShader = compile ps_2_0 ps(); } }
