// A struct parameter's semantic numbers its members: the second of
// TEXCOORD7 is TEXCOORD8, which ps_2_0 does not have.
//? error 10 TEXCOORD0-7
struct S { float4 a; float4 b; };
void vs(float4 p : POSITION, out float4 o : POSITION)
{
    o = p;
}
float4 ps(S s
          : TEXCOORD7) : COLOR0
{
    return s.a + s.b;
}
technique T { pass P { VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }
