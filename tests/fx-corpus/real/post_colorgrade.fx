// Colour grading of the finished frame: lift / gamma / gain, saturation,
// contrast and a vignette, plus a sepia look. The first technique is
// pixel-only (VertexShader = NULL); the second brings its own pass-through
// vertex shader for a quad already in clip space. Either way the quad covers
// clip space (-1,-1) to (1,1) with the texture coordinate in TEXCOORD0.

float3 Lift  < string UIName = "Lift";  string UIWidget = "Color"; > = { 0.0, 0.0, 0.0 };
float3 GammaRGB < string UIName = "Gamma"; string UIWidget = "Color"; > = { 1.0, 1.0, 1.0 };
float3 Gain  < string UIName = "Gain";  string UIWidget = "Color"; > = { 1.0, 1.0, 1.0 };
float Saturation < float UIMin = 0.0; float UIMax = 2.0; > = 1.1;
float Contrast < float UIMin = 0.5; float UIMax = 1.5; > = 1.05;
float VignetteStrength = 0.35;
float SepiaAmount = 0.8;

texture FrameTexture;
sampler2D FrameSampler = sampler_state { Texture = <FrameTexture>; MinFilter = Point; MagFilter = Point; MipFilter = None; AddressU = Clamp; AddressV = Clamp; };

struct QuadVertex
{
    float4 Position : POSITION;
    float2 UV       : TEXCOORD0;
};

QuadVertex VS_Quad(float3 position : POSITION, float4 uv : TEXCOORD0)
{
    QuadVertex o;
    o.Position = float4(position.xy, 0.0, 1.0);
    o.UV = uv.xy;
    return o;
}

float3 Grade(float3 c)
{
    c = saturate(Gain * (c + Lift * (1.0 - c)));
    c = pow(c, 1.0 / GammaRGB);
    float grey = dot(c, float3(0.299, 0.587, 0.114));
    c = lerp(grey.xxx, c, Saturation);
    c = (c - 0.5) * Contrast + 0.5;
    return saturate(c);
}

float Vignette(float2 uv)
{
    float2 d = uv - 0.5;
    return 1.0 - VignetteStrength * smoothstep(0.2, 0.8, dot(d, d) * 2.0);
}

float4 PS_Grade(float2 uv : TEXCOORD0) : COLOR
{
    float4 frame = tex2D(FrameSampler, uv);
    return float4(Grade(frame.rgb) * Vignette(uv), frame.a);
}

float4 PS_Sepia(float2 uv : TEXCOORD0) : COLOR
{
    float4 frame = tex2D(FrameSampler, uv);
    float3 sepia = float3(dot(frame.rgb, float3(0.393, 0.769, 0.189)),
                          dot(frame.rgb, float3(0.349, 0.686, 0.168)),
                          dot(frame.rgb, float3(0.272, 0.534, 0.131)));
    return float4(lerp(frame.rgb, saturate(sepia), SepiaAmount), frame.a);
}

technique ColourGrade
{
    pass P0
    {
        VertexShader = NULL;
        PixelShader = compile ps_2_0 PS_Grade();
        ZEnable = FALSE;
        CullMode = NONE;
    }
}

technique Sepia
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS_Quad();
        PixelShader = compile ps_2_0 PS_Sepia();
        ZEnable = FALSE;
        CullMode = NONE;
    }
}
