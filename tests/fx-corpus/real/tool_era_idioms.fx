// Idioms of effect files written with the Direct3D 9 tools of their day:
// shader variables assigned in passes, globals with semantics and
// annotations in every storage class, the capitalised type names, texture
// and sampler declarations in all their spellings, the sampling intrinsics
// of shader models 2 and 3, and render and sampler states the device takes
// or ignores.

shared float4x4 WorldViewProj : WORLDVIEWPROJECTION < string UIWidget = "None"; >;
uniform float4x4 World : WORLD;
extern float Time : TIME < string UIName = "Time"; float UIMin = 0; float UIMax = 100; >;
FLOAT Exposure < string UIName = "Exposure"; float2 UIRange = {0, 4}; > = 1.25;
VECTOR Tint : DIFFUSE < string UIWidget = "Color"; > = {1.0, 0.9, 0.8, 1.0};
MATRIX TexTransform = {1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1};
DWORD Flags = 3;
double Sharpness = 0.5;
float1 Bias = 0.0;
int Variant = 1;
STRING Category = "Idioms";

static const float Weights[4] = { 0.4, 0.3, 0.2, 0.1 };
static const float3 Luma = { 0.299, 0.587, 0.114 };

texture2D BaseMap < string ResourceName = "default_color.dds"; string UIName = "Base"; >;
TEXTURE NoiseMap < string function = "GenerateNoise"; int width = 32; int height = 32; >;
textureCUBE SkyMap < string ResourceName = "sky_cube.dds"; string ResourceType = "CUBE"; >;

sampler2D BaseSampler = sampler_state
{
    Texture = <BaseMap>;
    MinFilter = Anisotropic; MagFilter = LINEAR; MipFilter = Point;
    AddressU = Mirror; AddressV = Border; BorderColor = 0xff0000ff;
    MaxAnisotropy = 4; MipMapLodBias = -0.5f; MaxMipLevel = 0;
    SRGBTexture = false;
};
samplerCUBE SkySampler = sampler_state { Texture = (SkyMap); AddressU = Clamp; AddressV = CLAMP; AddressW = clamp; };
sampler NoiseSampler = sampler_state { texture = <NoiseMap>; addressu = wrap; addressv = wrap; };

// A texture shader: only the texture's annotation names it.
float4 GenerateNoise(float3 p : POSITION) : COLOR { return noise(p * 8); }

struct VS_OUTPUT
{
    float4 Position : POSITION;
    float4 Color    : COLOR0;
    float4 UV       : TEXCOORD0;
    float3 Dir      : TEXCOORD1;
};

VS_OUTPUT VS(float4 Pos : POSITION, float4 Color : COLOR0, float2 UV : TEXCOORD0, uniform bool wobble)
{
    VS_OUTPUT Out = (VS_OUTPUT)0;
    Out.Position = mul(Pos, WorldViewProj);
    if (wobble) {
        float s, c;
        sincos(Time, s, c);
        Out.Position.xy += float2(s, c) * 0.01 * Out.Position.w;
    }
    Out.Color = D3DCOLORtoUBYTE4(Color) / 255.0;
    Out.UV = mul(float4(UV, 0, 1), TexTransform);
    Out.Dir = mul(Pos.xyz, (float3x3)World);
    return Out;
}

float4 Shade(VS_OUTPUT In, uniform int quality)
{
    float4 c = tex2D(BaseSampler, In.UV.xy) * Tint;
    if (quality > 0) {
        float2 dx = ddx(In.UV.xy), dy = ddy(In.UV.xy);
        c += tex2Dgrad(BaseSampler, In.UV.xy, dx, dy) * Weights[1];
        c += tex2Dbias(BaseSampler, float4(In.UV.xy, 0, Bias)) * Weights[2];
        c += tex2Dproj(BaseSampler, float4(In.UV.xy, 0, 1)) * Weights[3];
    }
    float3 dir = normalize(In.Dir + 0.001);
    float3 n = faceforward(float3(0, 0, 1), -dir, float3(0, 0, 1));
    c.rgb += texCUBE(SkySampler, reflect(dir, n)).rgb * 0.1;
    c.rgb += texCUBEproj(SkySampler, float4(refract(dir, n, 0.9), 1)).rgb * 0.05;
    float luma = dot(c.rgb, Luma);
    c.rgb = lerp(luma.xxx, c.rgb, smoothstep(0, 1, (float)Sharpness * 2));
    c.rgb = 1 - exp2(-c.rgb * Exposure) + log(1 + Flags) * 0.001;
    clip(c.a - 0.01);
    return mul(1, c * In.Color);
}

float4 PS_High(VS_OUTPUT In) : COLOR { return Shade(In, 2); }
float4 PS_Low(VS_OUTPUT In) : COLOR0 { return Shade(In, 0); }
float4 PS_Flat(float4 color : COLOR0) : COLOR { return float4(frac(color.rgb + Time), 1) * transpose(TexTransform)[0].x; }

VertexShader StillVS = compile vs_2_0 VS(false);
VertexShader VariantsVS[2] = { compile vs_2_0 VS(false), compile vs_3_0 VS(true) };
PixelShader HighPS = compile ps_3_0 PS_High();
PixelShader LowPS = compile ps_2_0 PS_Low();

technique Full < string Script = "Pass=p0;"; int Order = 1; >
{
    pass p0 < string Script = "Draw=geometry;"; >
    {
        VertexShader = (VariantsVS[Variant]);
        PixelShader = (HighPS);
        ZEnable = TRUE; ZWriteEnable = true; ZFunc = LessEqual; CullMode = NONE;
        AlphaBlendEnable = false; FillMode = Solid;
        ColorWriteEnable = RED | GREEN | BLUE | ALPHA;
        Lighting = FALSE; FogEnable = false; AlphaTestEnable = false; StencilEnable = false;
    }
}

technique Cheap
{
    pass
    {
        VertexShader = <StillVS>;
        PixelShader = <LowPS>;
        AlphaBlendEnable = TRUE; SrcBlend = SrcAlpha; DestBlend = 6; BlendOp = Add;
        SrcBlendAlpha = One; SeparateAlphaBlendEnable = false; BlendFactor = 0xffffffff;
    }
    pass Overlay
    {
        VertexShader = StillVS;
        PixelShader = compile ps_2_0 PS_Flat();
        AlphaBlendEnable = true; SrcBlend = BlendFactor; DestBlend = One;
        ZEnable = false; CullMode = 1;
    }
}
