// Both stages read the numbers of a struct that holds a sampler, each
// from its own stage's registers.
//? vs c0 = 0.5 0 0 0
//? ps c0 = 0.25 0 0 0
//? expect 0.75 0.75 0.75 0.75
struct Material { float k; sampler2D s; };
Material m;
void vs_main(float3 p : POSITION, out float4 clip : POSITION, out float4 t : TEXCOORD0)
{
    clip = float4(p, 1);
    t = m.k;
}
float4 ps_main(float4 t : TEXCOORD0) : COLOR0 { return tex2D(m.s, float2(0.5, 0.5)) * 0 + t + m.k; }
technique T { pass { VertexShader = compile vs_3_0 vs_main(); PixelShader = compile ps_3_0 ps_main(); } }
