// A struct both stages share may carry _centroid on its semantics: the vertex
// shader's outputs of it are the registers without the suffix.
//? expect 0.5 0.25 1 1
struct V
{
    float4 p : POSITION;
    float4 t : TEXCOORD1_centroid;
};
V vs(float4 p : POSITION)
{
    V v;
    v.p = p;
    v.t = float4(0.5, 0.25, 1, 1);
    return v;
}
float4 ps(V v) : COLOR0
{
    return v.t;
}
technique T { pass P { VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }
