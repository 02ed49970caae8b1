// A vertex shader has 16 input registers (two inputs of one semantic share
// one): a 17th is refused at its semantic.
//? error 9 the 17th
void vs(float4 p : POSITION, float4 n : NORMAL, float4 t : TANGENT, float4 b : BINORMAL,
        float4 w : BLENDWEIGHT, float4 i : BLENDINDICES, float4 c0 : COLOR0, float4 c1 : COLOR1,
        float4 t0 : TEXCOORD0, float4 t1 : TEXCOORD1, float4 t2 : TEXCOORD2, float4 t3 : TEXCOORD3,
        float4 t4 : TEXCOORD4, float4 t5 : TEXCOORD5, float4 t6 : TEXCOORD6, float4 t7 : TEXCOORD7,
        float4 again : TEXCOORD7, float4 m : NORMAL0,
        float4 t8 : TEXCOORD8, out float4 o : POSITION)
{
    o = p + n + t + b + w + i + c0 + c1 + t0 + t1 + t2 + t3 + t4 + t5 + t6 + t7 + again + m + t8;
}
technique T { pass P { VertexShader = compile vs_2_0 vs(); } }
