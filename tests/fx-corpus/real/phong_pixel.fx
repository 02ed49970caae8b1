// Per-pixel lighting from one directional light: Phong and Blinn-Phong
// techniques over the same vertex shader. Shared transforms, light and
// lighting terms come from common.fxh.

#include "common.fxh"

float4 SurfaceColor : DIFFUSE < string UIName = "Surface"; string UIWidget = "Color"; > = { 0.7, 0.7, 0.75, 1.0 };
float4 SpecularColor : SPECULAR < string UIName = "Specular"; string UIWidget = "Color"; > = { 1.0, 1.0, 1.0, 1.0 };
float  Shininess : SPECULARPOWER < string UIWidget = "slider"; float UIMin = 1; float UIMax = 256; > = 40.0;

struct AppData
{
    float4 Position : POSITION;
    float3 Normal   : NORMAL;
};

struct VertexOutput
{
    float4 HPosition : POSITION;
    float3 WorldNormal : TEXCOORD0;
    float3 WorldView   : TEXCOORD1;
};

struct PixelInput
{
    float3 WorldNormal : TEXCOORD0;
    float3 WorldView   : TEXCOORD1;
};

VertexOutput VS_Lit(AppData IN)
{
    VertexOutput OUT;
    OUT.HPosition = mul(IN.Position, WorldViewProj);
    OUT.WorldNormal = mul(IN.Normal, (float3x3)WorldIT);
    float3 worldPos = mul(IN.Position, World).xyz;
    OUT.WorldView = EyePosition() - worldPos;
    return OUT;
}

float4 Shade(LightTerms t)
{
    float3 c = AmbientColor.rgb * SurfaceColor.rgb
             + LightColor.rgb * (SurfaceColor.rgb * t.diffuse + SpecularColor.rgb * t.specular);
    return float4(c, SurfaceColor.a);
}

float4 PS_Phong(PixelInput IN) : COLOR
{
    float3 N = normalize(IN.WorldNormal);
    float3 V = normalize(IN.WorldView);
    float3 L = normalize(-LightDir);
    return Shade(PhongTerms(N, L, V, Shininess));
}

float4 PS_BlinnPhong(PixelInput IN) : COLOR
{
    float3 N = normalize(IN.WorldNormal);
    float3 V = normalize(IN.WorldView);
    float3 L = normalize(-LightDir);
    return Shade(BlinnPhongTerms(N, L, V, Shininess));
}

Technique Phong < string Description = "per-pixel Phong"; >
{
    Pass p0 < string Script = "Draw=geometry;"; >
    {
        VertexShader = compile vs_3_0 VS_Lit();
        PixelShader  = compile ps_3_0 PS_Phong();
        ZEnable = True;
        CullMode = CCW;
    }
}

Technique BlinnPhong < string Description = "per-pixel Blinn-Phong"; >
{
    Pass p0
    {
        VertexShader = compile vs_3_0 VS_Lit();
        PixelShader  = compile ps_3_0 PS_BlinnPhong();
        ZEnable = True;
        CullMode = CCW;
    }
}

// The same shading within the ps_2_0 limits, for older cards.
Technique BlinnPhong_SM2
{
    Pass p0
    {
        VertexShader = compile vs_2_0 VS_Lit();
        PixelShader  = compile ps_2_0 PS_BlinnPhong();
    }
}
