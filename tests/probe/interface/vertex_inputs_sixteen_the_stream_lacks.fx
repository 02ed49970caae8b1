// A vertex shader reads up to 16 input registers. Those the program's
// stream does not carry read (0, 0, 0, 1): here fifteen of them beside
// POSITION; the thirteen read whole add their w, a float3's z and a
// scalar read 0.
//? expect 13 0 0 1
void vs(float4 p : POSITION, float4 n : NORMAL, float4 t : TANGENT, float3 b : BINORMAL,
        float4 w : BLENDWEIGHT, int4 i : BLENDINDICES, float s : PSIZE, float4 c1 : COLOR1,
        float4 t1 : TEXCOORD1, float4 t2 : TEXCOORD2, float4 t3 : TEXCOORD3, float4 t4 : TEXCOORD4,
        float4 t5 : TEXCOORD5, float4 t6 : TEXCOORD6, float4 t7 : TEXCOORD7, float4 t8 : TEXCOORD8,
        out float4 o : POSITION, out float4 sum : TEXCOORD0)
{
    o = p;
    sum = float4(n.w + t.w + b.x + w.w + i.w + s + c1.w + t1.w + t2.w + t3.w + t4.w + t5.w +
                     t6.w + t7.w + t8.w,
                 b.z, s, 1);
}
float4 ps(float4 sum : TEXCOORD0) : COLOR0
{
    return sum;
}
technique T { pass P { VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }
