// A pixel shader may read a varying wider or narrower than its vertex
// shader writes it: components not written read 0, and 1 in w, as a
// register's channels not written.
//? expect 0.25 0.5 0 1
struct V { float4 position : POSITION; float2 a : TEXCOORD0; float4 b : TEXCOORD1; };
V vs_main(float4 position : POSITION)
{
    V o;
    o.position = float4(position.xyz, 1);
    o.a = float2(0.25, 9);
    o.b = float4(0.5, 9, 9, 9);
    return o;
}
float4 ps_main(float4 a : TEXCOORD0, float2 b : TEXCOORD1) : COLOR0
{
    return float4(a.x, b.x, a.z, a.w);
}
technique T { pass P { VertexShader = compile vs_3_0 vs_main(); PixelShader = compile ps_3_0 ps_main(); } }
