// The two stages may declare one semantic with different widths and types:
// the pixel shader reads as an int2, a uint or a float what the vertex
// shader wrote as a float4, a half or an int4 (a register holds four floats).
//? expect 1 2 3 4
void vs(float4 p : POSITION, out float4 clip : POSITION, out float4 a : TEXCOORD0,
        out half b : TEXCOORD1, out int4 c : TEXCOORD2)
{
    clip = p;
    a = float4(1, 2, 5, 6);
    b = 3;
    c = int4(4, 7, 8, 9);
}
float4 ps(int2 a : TEXCOORD0, uint b : TEXCOORD1, float c : TEXCOORD2) : COLOR0
{
    return float4(a, b, c);
}
technique T { pass P { VertexShader = compile vs_3_0 vs(); PixelShader = compile ps_3_0 ps(); } }
