// Before vs_3_0 a vertex shader's COLOR0 and COLOR1 are clamped to [0, 1]
// on their way to the pixel shader; texture coordinates are not.
//? expect 1 0 0.5 2
struct V { float4 position : POSITION; float4 c0 : COLOR0; float4 c1 : COLOR1; float4 t : TEXCOORD0; };
V vs_main(float3 position : POSITION)
{
    V o;
    o.position = float4(position, 1);
    o.c0 = float4(2, -1, 0.5, 0);
    o.c1 = float4(0, 0, 0, 3);
    o.t = float4(0, 0, 0, 2);
    return o;
}
float4 ps_main(float4 c0 : COLOR0, float4 c1 : COLOR1, float4 t : TEXCOORD0) : COLOR0
{
    return float4(c0.xyz, c1.w + t.w - 1);
}
technique T { pass P { VertexShader = compile vs_2_0 vs_main(); PixelShader = compile ps_2_0 ps_main(); } }
