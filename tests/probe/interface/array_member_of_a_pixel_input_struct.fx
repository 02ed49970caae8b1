// An array member of the pixel shader's input struct reads a register per
// element, from its semantic on (TEXCOORD0, then TEXCOORD1), whatever the
// vertex shader declared.
//? expect 1 2 3 0
void vs(float4 p : POSITION, out float4 clip : POSITION, out float a : TEXCOORD0,
        out float2 b : TEXCOORD1)
{
    clip = p;
    a = 1;
    b = float2(2, 3);
}
struct Inputs
{
    float2 t[2] : TEXCOORD0;
};
float4 ps(Inputs i) : COLOR0
{
    return float4(i.t[0].x, i.t[1], 0);
}
technique T { pass P { VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }
