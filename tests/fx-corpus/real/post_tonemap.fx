// Tone mapping of an HDR scene texture: exposure, then either Reinhard or a
// filmic curve, then gamma. Pixel-only: the passes assign no vertex shader at
// all, so the full-screen quad must come in clip space with its texture
// coordinate in TEXCOORD0.

float Exposure < string UIName = "Exposure (stops)"; string UIWidget = "slider"; float UIMin = -4; float UIMax = 4; float UIStep = 0.1; > = 0.0;
float WhitePoint < string UIName = "White Point"; > = 4.0;
float Gamma = 2.2;

texture HDRScene : RENDERCOLORTARGET < string Format = "A16B16G16R16F"; >;

sampler2D HDRSampler = sampler_state
{
    Texture   = <HDRScene>;
    MinFilter = Point;
    MagFilter = Point;
    MipFilter = None;
    AddressU  = Clamp;
    AddressV  = Clamp;
};

float Luminance(float3 c)
{
    return dot(c, float3(0.2126, 0.7152, 0.0722));
}

float3 ApplyGamma(float3 c)
{
    return pow(saturate(c), 1.0 / Gamma);
}

float4 PS_Reinhard(float2 uv : TEXCOORD0) : COLOR
{
    float3 hdr = tex2D(HDRSampler, uv).rgb * exp2(Exposure);
    float L = Luminance(hdr);
    // Extended Reinhard on luminance, so hues survive.
    float mapped = L * (1.0 + L / (WhitePoint * WhitePoint)) / (1.0 + L);
    float3 ldr = hdr * (mapped / max(L, 0.0001));
    return float4(ApplyGamma(ldr), 1.0);
}

float3 FilmicCurve(float3 x)
{
    const float A = 0.15, B = 0.50, C = 0.10, D = 0.20, E = 0.02, F = 0.30;
    return ((x * (A * x + C * B) + D * E) / (x * (A * x + B) + D * F)) - E / F;
}

float4 PS_Filmic(float2 uv : TEXCOORD0) : COLOR
{
    float3 hdr = tex2D(HDRSampler, uv).rgb * exp2(Exposure);
    float3 curr = FilmicCurve(hdr * 2.0);
    float3 whiteScale = 1.0 / FilmicCurve(WhitePoint.xxx);
    return float4(ApplyGamma(curr * whiteScale), 1.0);
}

technique Reinhard
{
    pass P0
    {
        PixelShader = compile ps_2_0 PS_Reinhard();
        ZEnable = false;
        CullMode = None;
    }
}

technique Filmic
{
    pass P0
    {
        PixelShader = compile ps_3_0 PS_Filmic();
        ZEnable = false;
        CullMode = None;
    }
}
