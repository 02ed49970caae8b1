//! args -T vs_3_0
//! exit 1
//! line : error:
// A vertex shader has no derivatives: it reads textures with tex2Dlod only.
sampler2D heights;
float4 main(float4 p : POSITION) : POSITION { return p + tex2D(heights, p.xy); }
