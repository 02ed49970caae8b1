// A semantic on an entry point's struct parameter goes to the struct's
// members one register after another: a matrix takes one per column, an
// array one per element, and a nested struct's members count on. Here S
// reads TEXCOORD1-2 (m), TEXCOORD3-4 (a) and TEXCOORD5 (i.uv).
//? expect 0.25 0.75 0.5 0.125
struct In { float2 uv; };
struct S { float2x2 m; float a[2]; In i; };
void vs(float4 p : POSITION, out float4 o : POSITION, out float4 t[5] : TEXCOORD1)
{
    o = p;
    t[0] = float4(0.25, 0.5, 9, 9);  // m's first column
    t[1] = float4(0.75, 1, 9, 9);    // its second
    t[2] = 9;
    t[3] = float4(0.5, 9, 9, 9);     // a[1]
    t[4] = float4(0.125, 9, 9, 9);   // i.uv
}
float4 ps(S s : TEXCOORD1) : COLOR0
{
    return float4(s.m[0], s.a[1], s.i.uv.x);
}
technique T { pass P { VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }
