//! args -T vs_4_0_level_9_3
//! line   vertex: vs_4_0_level_9_3 main() (vs_2_a limits)
cbuffer PerObject : register(b0) { float4x4 worldViewProj; float4 tint; };
struct VOut { float4 position : SV_Position; float4 color : COLOR0; };
VOut main(float3 p : POSITION) {
    VOut o;
    o.position = mul(float4(p, 1), worldViewProj);
    o.color = tint;
    return o;
}
