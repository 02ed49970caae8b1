// Varyings are interpolated in clip space, divided by w: the quad's right edge has
// w = 2 and its left w = 1 (the same place on screen), so u, 0 to 1 across
// it, is s / (2 - s) at s of the way across the screen, not s; a float2
// texture coordinate's w still reads 1.
//? size 4 1
//? abs 2e-5
//? expect at 0 0 = 0 0 0 1
//? expect at 1 0 = 0.142857 0 0 1
//? expect at 2 0 = 0.333333 0 0 1
//? expect at 3 0 = 0.6 0 0 1
void vs(float4 p : POSITION, float4 uv : TEXCOORD0, out float4 clip : POSITION,
        out float2 u : TEXCOORD1)
{
    float w = 1 + uv.x;
    clip = float4(p.xyz * w, w);
    u = float2(uv.x, 0);
}
float4 ps(float4 u : TEXCOORD1) : COLOR0
{
    return u;
}
technique T { pass P { VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }
