// Normal mapping in tangent space: the vertex shader builds the
// tangent-to-world basis from NORMAL, TANGENT and BINORMAL and hands the
// light and view directions over in tangent space; the pixel shader reads the
// normal from a normal map and lights with Blinn-Phong. A parallax variant
// offsets the texture coordinate by a height read from the normal map's alpha.

#include "common.fxh"

float SpecularPower < string UIName = "Specular Power"; string UIWidget = "slider"; float UIMin = 1.0; float UIMax = 128.0; > = 24.0;
float Bumpiness < string UIName = "Bumpiness"; float UIMin = 0.0; float UIMax = 2.0; > = 1.0;
float ParallaxScale = 0.04;
float ParallaxBias = -0.02;

texture ColorMap < string ResourceName = "rock_color.dds"; >;
texture NormalMap < string ResourceName = "rock_normal.dds"; >;

sampler2D ColorSampler = sampler_state
{
    Texture   = <ColorMap>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU  = Wrap;
    AddressV  = Clamp;
};

sampler2D NormalSampler = sampler_state
{
    Texture   = <NormalMap>;
    MinFilter = Anisotropic;
    MagFilter = Linear;
    MipFilter = Linear;
    MaxAnisotropy = 4;
    AddressU  = Wrap;
    AddressV  = Wrap;
};

struct VS_IN
{
    float4 Position : POSITION0;
    float3 Normal   : NORMAL0;
    float3 Tangent  : TANGENT0;
    float3 Binormal : BINORMAL0;
    float2 UV       : TEXCOORD0;
};

struct VS_OUT
{
    float4 Position : POSITION0;
    float2 UV       : TEXCOORD0;
    float3 LightTS  : TEXCOORD1;
    float3 ViewTS   : TEXCOORD2;
};

struct PS_IN
{
    float2 UV      : TEXCOORD0;
    float3 LightTS : TEXCOORD1;
    float3 ViewTS  : TEXCOORD2;
};

VS_OUT VS_NormalMap(VS_IN input)
{
    VS_OUT output;
    output.Position = mul(input.Position, WorldViewProj);
    output.UV = input.UV;

    // Rows of the matrix are the world-space tangent frame, so mul(frame, v)
    // takes a world vector into tangent space.
    float3x3 frame;
    frame[0] = mul(input.Tangent, (float3x3)World);
    frame[1] = mul(input.Binormal, (float3x3)World);
    frame[2] = mul(input.Normal, (float3x3)World);

    float3 worldPos = mul(input.Position, World).xyz;
    output.LightTS = mul(frame, -LightDir);
    output.ViewTS  = mul(frame, EyePosition() - worldPos);
    return output;
}

float3 FetchNormal(float2 uv)
{
    float3 n = tex2D(NormalSampler, uv).xyz * 2.0 - 1.0;
    n.xy *= Bumpiness;
    return normalize(n);
}

float4 Light(float2 uv, float3 lightTS, float3 viewTS)
{
    float3 N = FetchNormal(uv);
    float3 L = normalize(lightTS);
    float3 V = normalize(viewTS);
    LightTerms t = BlinnPhongTerms(N, L, V, SpecularPower);
    float4 albedo = tex2D(ColorSampler, uv);
    float3 c = albedo.rgb * (AmbientColor.rgb + LightColor.rgb * t.diffuse) + LightColor.rgb * t.specular;
    return float4(c, albedo.a);
}

float4 PS_NormalMap(PS_IN input) : COLOR0
{
    return Light(input.UV, input.LightTS, input.ViewTS);
}

float4 PS_Parallax(PS_IN input) : COLOR0
{
    float height = tex2D(NormalSampler, input.UV).a * ParallaxScale + ParallaxBias;
    float3 V = normalize(input.ViewTS);
    float2 uv = input.UV + height * V.xy;
    return Light(uv, input.LightTS, input.ViewTS);
}

technique NormalMapping
{
    pass Single
    {
        VertexShader = compile vs_2_0 VS_NormalMap();
        PixelShader  = compile ps_2_0 PS_NormalMap();
    }
}

technique ParallaxMapping
{
    pass Single
    {
        VertexShader = compile vs_3_0 VS_NormalMap();
        PixelShader  = compile ps_3_0 PS_Parallax();
    }
}
