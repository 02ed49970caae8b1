// A varying may be a bool in either stage: a bool written is 1 or 0 in its
// register, a bool read is true where the register's value is not 0.
//? expect 1 0 1 0
void vs(float4 p : POSITION, out float4 clip : POSITION, out bool2 flags : TEXCOORD0,
        out float4 values : TEXCOORD1)
{
    clip = p;
    flags = bool2(true, false);
    values = float4(0.25, 0, -3, 0);
}
float4 ps(float2 flags : TEXCOORD0, bool4 values : TEXCOORD1) : COLOR0
{
    return float4(flags.x * values.x, flags.y, values.z ? 1 : 0, values.w ? 1 : 0);
}
technique T { pass P { VertexShader = compile vs_3_0 vs(); PixelShader = compile ps_3_0 ps(); } }
