// An array member of an entry point's struct numbers its elements from its
// semantic, on both sides of the link.
//? expect 0.25 0.5 0.75 1
struct Varyings
{
    float4 position : POSITION;
    float4 t[2] : TEXCOORD3;
};
Varyings vs_main(float3 position : POSITION)
{
    Varyings v;
    v.position = float4(position, 1);
    v.t[0] = float4(0.25, 0.5, 0, 0);
    v.t[1] = float4(0, 0, 0.75, 1);
    return v;
}
float4 ps_main(float4 a : TEXCOORD3, float4 b : TEXCOORD4) : COLOR0
{
    return a + b;
}
technique T { pass P { VertexShader = compile vs_3_0 vs_main(); PixelShader = compile ps_3_0 ps_main(); } }
