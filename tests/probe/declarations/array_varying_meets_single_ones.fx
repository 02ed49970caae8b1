// An array varying meets single ones of the semantics its elements take,
// either way round, narrower elements widening as single ones do (the
// channels not written read (0, 0, 0, 1)).
//? expect 0.25 1.5 0.75 1
void vs_main(float3 position : POSITION, out float4 clip : POSITION,
             out float2 o[2] : TEXCOORD1, out float4 c : TEXCOORD5, out float4 d : TEXCOORD6)
{
    clip = float4(position, 1);
    o[0] = float2(0.25, 0.5);
    o[1] = float2(0.75, 0.125);
    c = float4(0.5, 0, 0, 0);
    d = float4(0, 0.375, 0, 0);
}
float4 ps_main(float4 a : TEXCOORD1, float4 b : TEXCOORD2, float2 t[2] : TEXCOORD5) : COLOR0
{
    return float4(a.x + a.z, a.y + a.w, b.x + b.z, b.y + t[0].x + t[1].y);
}
technique T { pass P { VertexShader = compile vs_3_0 vs_main(); PixelShader = compile ps_3_0 ps_main(); } }
