// Shadow mapping in two techniques: "ShadowDepth" renders light-space depth
// into a colour target (back faces, to keep acne off lit surfaces);
// "ShadowReceive" projects each pixel into the light with tex2Dproj and
// filters four comparisons. Needs NORMAL: a compile check only.
// Some globals name their registers and some do not.

float4x4 WorldViewProj : register(c0);
float4x4 World : register(c4);
float4x4 LightViewProj : register(c8);
float4 LightDirWorld : register(c12) = { 0.4, -0.8, 0.45, 0.0 };
float ShadowBias = 0.0015;
float ShadowMapSize = 1024.0;
float4 ShadowTint = { 0.35, 0.35, 0.45, 1.0 };

// Clip space to texture space, with the half-texel of Direct3D 9 left out.
static const float4x4 TexScaleBias =
{
    0.5,  0.0, 0.0, 0.0,
    0.0, -0.5, 0.0, 0.0,
    0.0,  0.0, 1.0, 0.0,
    0.5,  0.5, 0.0, 1.0
};

texture ShadowTexture : RENDERCOLORTARGET;
sampler2D ShadowSampler = sampler_state
{
    Texture = <ShadowTexture>;
    MinFilter = Point;
    MagFilter = Point;
    MipFilter = None;
    AddressU = Border;
    AddressV = Border;
    BorderColor = 0xFFFFFFFF;
};

struct DepthOut
{
    float4 Position : POSITION;
    float2 Depth    : TEXCOORD0;
};

DepthOut VS_Depth(float4 pos : POSITION)
{
    DepthOut o;
    o.Position = mul(mul(pos, World), LightViewProj);
    o.Depth = o.Position.zw;
    return o;
}

float4 PS_Depth(float2 depth : TEXCOORD0) : COLOR
{
    float d = depth.x / depth.y;
    return float4(d, d, d, 1.0);
}

struct ReceiveOut
{
    float4 Position  : POSITION;
    float4 ShadowPos : TEXCOORD0;
    float  NdotL     : TEXCOORD1;
};

ReceiveOut VS_Receive(float4 pos : POSITION, float3 normal : NORMAL)
{
    ReceiveOut o;
    o.Position = mul(pos, WorldViewProj);
    float4 lightClip = mul(mul(pos, World), LightViewProj);
    o.ShadowPos = mul(lightClip, TexScaleBias);
    float3 N = normalize(mul(normal, (float3x3)World));
    o.NdotL = saturate(dot(N, -LightDirWorld.xyz));
    return o;
}

float Lit(float4 shadowPos, float2 offset)
{
    float4 p = shadowPos + float4(offset * shadowPos.w, 0.0, 0.0);
    float stored = tex2Dproj(ShadowSampler, p).r;
    return step(shadowPos.z / shadowPos.w - ShadowBias, stored);
}

float4 PS_Receive(float4 shadowPos : TEXCOORD0, float NdotL : TEXCOORD1) : COLOR
{
    float texel = 1.0 / ShadowMapSize;
    float lit = Lit(shadowPos, float2(-0.5, -0.5) * texel)
              + Lit(shadowPos, float2( 0.5, -0.5) * texel)
              + Lit(shadowPos, float2(-0.5,  0.5) * texel)
              + Lit(shadowPos, float2( 0.5,  0.5) * texel);
    lit *= 0.25;
    float light = NdotL * lit;
    return float4(lerp(ShadowTint.rgb, 1.0.xxx, light), 1.0);
}

technique ShadowDepth
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS_Depth();
        PixelShader = compile ps_2_0 PS_Depth();
        CullMode = CW;
        ZEnable = true;
        ZWriteEnable = true;
        AlphaBlendEnable = false;
    }
}

technique ShadowReceive
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS_Receive();
        PixelShader = compile ps_2_0 PS_Receive();
        CullMode = CCW;
    }
}
