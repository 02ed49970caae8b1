// A semantic on an array numbers its elements from it: o[1] is TEXCOORD1.
//? expect 0.5 0.25 0.75 1
void vs_main(float3 position : POSITION, out float4 clip : POSITION, out float4 o[2] : TEXCOORD0)
{
    clip = float4(position, 1);
    o[0] = float4(0.5, 0, 0, 1);
    o[1] = float4(0, 0.25, 0.75, 1);
}
float4 ps_main(float4 t[2] : TEXCOORD0) : COLOR0
{
    return float4(t[0].x, t[1].yzw);
}
technique T { pass P { VertexShader = compile vs_3_0 vs_main(); PixelShader = compile ps_3_0 ps_main(); } }
