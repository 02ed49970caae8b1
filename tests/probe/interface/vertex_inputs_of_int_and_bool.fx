// A vertex shader may read the stream's floats as ints or bools, converted as
// the registers hold them: the white COLOR0 as 1, TEXCOORD0's (u, v) as false
// at the top-left corner and true at the bottom-right one (GL takes no bool
// attribute, and reads an int one's float bits).
//? expect at 0 0 = 0 0 1 1
//? expect at 2 2 = 0.5 0.5 1 1
void vs(float4 p : POSITION, int4 c : COLOR0, bool2 t : TEXCOORD0, out float4 clip : POSITION,
        out float4 o : TEXCOORD1)
{
    clip = p;
    o = float4(t, c.xw);
}
float4 ps(float4 o : TEXCOORD1) : COLOR0
{
    return o;
}
technique T { pass P { VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }
