// The same rule on outputs: an out parameter's struct (written back at each
// return: the left vertices leave f at 1, the right ones at 2) and a
// returned struct (COLOR0 for its first member: ps_2_0's COLOR0 is written).
//? expect at 0 0 = 1 0.25 0 1
//? expect at 3 3 = 1.75 0.25 0 1
struct V { float4 t; float f; };
struct O { float4 colour; };
void vs(float4 p : POSITION, float4 uv : TEXCOORD0, out float4 o : POSITION, out V v : TEXCOORD4)
{
    o = p;
    v.t = float4(0.25, 0, 0, 1);
    v.f = 1;
    if (uv.x < 0.5) return;
    v.f = 2;
}
O ps(float4 t : TEXCOORD4, float f : TEXCOORD5) : COLOR0
{
    O o;
    o.colour = float4(f, t.xzw);
    return o;
}
technique T { pass P { VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }
