//! args -T ps_2_0 -E GBufferPS
//! line   pixel: ps_2_0 GBufferPS()
// A whole G-buffer shader: a struct of four half colours, COLOR0 to COLOR3.
float SpecularIntensity = 0.8, SpecularPower = 0.5;
sampler2D DiffuseMap : register(s0);
struct GBufIn { float2 uv : TEXCOORD0; float3 normal : TEXCOORD1; float2 depth : TEXCOORD2; };
struct GBufOut { half4 color : COLOR0; half4 normal : COLOR1; half4 depth : COLOR2; half4 extra : COLOR3; };
GBufOut GBufferPS(GBufIn i)
{
    GBufOut o;
    o.color = tex2D(DiffuseMap, i.uv);
    o.color.a = SpecularIntensity;
    o.normal.rgb = 0.5f * (normalize(i.normal) + 1.0f);
    o.normal.a = SpecularPower;
    o.depth = i.depth.x / i.depth.y;
    o.extra = 0;
    return o;
}
