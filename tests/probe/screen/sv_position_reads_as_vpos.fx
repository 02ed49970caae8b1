// SV_Position, as later compilers take it for shader model 3: a vertex
// shader's POSITION and a pixel shader's VPOS (whole pixels from the top
// left, not the pixel's centre), in a struct the two stages share too.
//? expect at 0 0 = 0 0 0.25 1
//? expect at 3 1 = 3 1 0.25 1
//? expect at 1 3 = 1 3 0.25 1
struct V { float4 pos : SV_Position; float2 uv : TEXCOORD0; };
V vs(float4 p : POSITION, float2 uv : TEXCOORD0)
{
    V o;
    o.pos = p;
    o.uv = uv;
    return o;
}
float4 ps(V i, float4 again : sv_position) : SV_Target
{
    return float4(i.pos.x, again.y, i.uv.x * 0 + 0.25, 1);
}
technique T { pass P { VertexShader = compile vs_3_0 vs(); PixelShader = compile ps_3_0 ps(); } }
