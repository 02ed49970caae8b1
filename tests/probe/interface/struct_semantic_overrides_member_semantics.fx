// A struct parameter's own semantic wins over its members': b is TEXCOORD3,
// not the COLOR0 its struct gives it.
//? expect 0.25 0.5 0.75 1
struct S { float2 a : COLOR1; float2 b : COLOR0; };
void vs(float4 p : POSITION, out float4 o : POSITION, out float2 a : TEXCOORD2,
        out float2 b : TEXCOORD3, out float4 c : COLOR0)
{
    o = p;
    a = float2(0.25, 0.5);
    b = float2(0.75, 1);
    c = 0;
}
float4 ps(S s : TEXCOORD2) : COLOR0
{
    return float4(s.a, s.b);
}
technique T { pass P { VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }
