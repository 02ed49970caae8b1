// Separable Gaussian blur as a post-process: pixel-only passes over a
// full-screen quad whose corners come in clip space ((-1,-1) to (1,1)) with
// the texture coordinate in TEXCOORD0. The application renders the horizontal
// pass into a temporary target and feeds it back as SceneTexture for the
// vertical pass.

float2 TexelSize : register(c0) = { 1.0 / 640.0, 1.0 / 480.0 };
float BlurRadius : register(c1) < string UIName = "Blur Radius"; float UIMin = 0.0; float UIMax = 4.0; > = 1.0;

texture SceneTexture : RENDERCOLORTARGET;

sampler2D SceneSampler = sampler_state
{
    Texture   = <SceneTexture>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU  = Clamp;
    AddressV  = Clamp;
};

static const int TapCount = 5;
static const float Weights[5] = { 0.227027, 0.1945946, 0.1216216, 0.054054, 0.016216 };

float4 Blur(float2 uv, float2 step)
{
    float4 sum = tex2D(SceneSampler, uv) * Weights[0];
    for (int i = 1; i < TapCount; i++)
    {
        float2 offset = step * (float)i * BlurRadius;
        sum += tex2D(SceneSampler, uv + offset) * Weights[i];
        sum += tex2D(SceneSampler, uv - offset) * Weights[i];
    }
    return sum;
}

float4 PS_BlurH(float2 uv : TEXCOORD0) : COLOR
{
    return Blur(uv, float2(TexelSize.x, 0.0));
}

float4 PS_BlurV(float2 uv : TEXCOORD0) : COLOR
{
    return Blur(uv, float2(0.0, TexelSize.y));
}

// Four bilinear taps: a 2x2 box over 4x4 source texels.
float4 PS_Downsample(float2 uv : TEXCOORD0) : COLOR
{
    float2 d = TexelSize;
    float4 c = tex2D(SceneSampler, uv + float2(-d.x, -d.y));
    c += tex2D(SceneSampler, uv + float2( d.x, -d.y));
    c += tex2D(SceneSampler, uv + float2(-d.x,  d.y));
    c += tex2D(SceneSampler, uv + float2( d.x,  d.y));
    return c * 0.25;
}

technique GaussianBlur
{
    pass Horizontal
    {
        VertexShader = null;
        PixelShader = compile ps_2_0 PS_BlurH();
        ZEnable = false;
        ZWriteEnable = false;
        CullMode = None;
        AlphaBlendEnable = false;
    }
    pass Vertical
    {
        VertexShader = null;
        PixelShader = compile ps_2_0 PS_BlurV();
        ZEnable = false;
        ZWriteEnable = false;
        CullMode = None;
        AlphaBlendEnable = false;
    }
}

technique Downsample
{
    pass P0
    {
        VertexShader = null;
        PixelShader = compile ps_2_0 PS_Downsample();
        ZEnable = false;
        CullMode = None;
    }
}
