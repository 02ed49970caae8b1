//! args -T vs_1_1 -E SkinVS
//! line   vertex: vs_1_1 SkinVS()
// A whole skinning shader of the vs_1_1 era: a bone palette indexed by the
// blend indices, three weights and the last one made up, a loop unrolled.
float4x3 Bones[26];
float4x4 ViewProj;
float3 LightDir = { 0, -1, 0 };
struct SkinIn { float4 pos : POSITION; float4 weights : BLENDWEIGHT; float4 indices : BLENDINDICES;
                float3 normal : NORMAL; float2 uv : TEXCOORD0; };
struct SkinOut { float4 pos : POSITION; float4 diffuse : COLOR0; float2 uv : TEXCOORD0; };
SkinOut SkinVS(SkinIn i)
{
    SkinOut o;
    int4 idx = D3DCOLORtoUBYTE4(i.indices);
    float w[4] = (float[4])i.weights;
    float3 pos = 0, nrm = 0;
    float last = 0;
    for (int b = 0; b < 3; b++) {
        last += w[b];
        pos += mul(i.pos, Bones[idx[b]]) * w[b];
        nrm += mul(i.normal, (float3x3)Bones[idx[b]]) * w[b];
    }
    last = 1.0f - last;
    pos += mul(i.pos, Bones[idx[3]]) * last;
    nrm += mul(i.normal, (float3x3)Bones[idx[3]]) * last;
    o.pos = mul(float4(pos, 1.0f), ViewProj);
    o.diffuse = max(0.1, dot(normalize(nrm), -LightDir));
    o.uv = i.uv;
    return o;
}
