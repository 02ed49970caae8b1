// Preprocessor-selected variants of one effect for the particle stream
// (POSITION, COLOR0, TEXCOORD0): distance fog on or off, linear or
// exponential-squared, an optional texture, and a blend mode chosen by an
// #if inside the pass. Flip the defines below to build the other variants.

#define USE_FOG 1
#define FOG_LINEAR 1
#define FOG_EXP2   2
#define FOG_MODE   FOG_EXP2
#define USE_TEXTURE
// #define ADDITIVE_BLEND

float4 Time : register(c0);
float4x4 ViewProj : register(c4);
float4 CameraPos : register(c8);

#if USE_FOG
float4 FogColor : register(c9) < string UIName = "Fog Colour"; string UIWidget = "Color"; > = { 0.5, 0.55, 0.6, 1.0 };
float4 FogParams : register(c10) = { 10.0, 200.0, 0.012, 0.0 };   // start, end, density
#endif

#ifdef USE_TEXTURE
texture SpriteTexture;
sampler2D SpriteSampler = sampler_state
{
    Texture = <SpriteTexture>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU = Clamp;
    AddressV = Clamp;
};
#endif

struct VS_OUT
{
    float4 Position : POSITION;
    float4 Color    : COLOR0;
    float2 UV       : TEXCOORD0;
#if USE_FOG
    float  Fog      : TEXCOORD1;
#endif
};

struct PS_IN
{
    float4 Color : COLOR0;
    float2 UV    : TEXCOORD0;
#if USE_FOG
    float  Fog   : TEXCOORD1;
#endif
};

#if USE_FOG
float ComputeFog(float distance)
{
#if FOG_MODE == FOG_LINEAR
    return saturate((FogParams.y - distance) / (FogParams.y - FogParams.x));
#elif FOG_MODE == FOG_EXP2
    float d = distance * FogParams.z;
    return saturate(exp2(-d * d * 1.442695));
#else
#error unknown FOG_MODE
#endif
}
#endif

VS_OUT VS_Main(float3 pos : POSITION, float4 color : COLOR0, float4 uv : TEXCOORD0)
{
    VS_OUT o;
    o.Position = mul(ViewProj, float4(pos, 1.0));
    o.Color = color;
    o.UV = uv.xy;
#if USE_FOG
    o.Fog = ComputeFog(length(pos - CameraPos.xyz));
#endif
    return o;
}

float4 PS_Main(PS_IN i) : COLOR
{
#ifdef USE_TEXTURE
    float4 c = tex2D(SpriteSampler, i.UV) * i.Color;
#else
    float4 c = i.Color;
#endif
#if USE_FOG
#ifdef ADDITIVE_BLEND
    // Additive particles fade out instead of turning fog-coloured.
    c.rgb *= i.Fog;
#else
    c.rgb = lerp(FogColor.rgb, c.rgb, i.Fog);
#endif
#endif
    return c;
}

technique Particles
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS_Main();
        PixelShader = compile ps_2_0 PS_Main();
        CullMode = None;
        ZWriteEnable = false;
        AlphaBlendEnable = true;
#if defined(ADDITIVE_BLEND)
        SrcBlend = One;
        DestBlend = One;
#else
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
#endif
    }
}
