// Water surface on a flat grid (POSITION, TEXCOORD0 only): the vertex shader
// displaces the grid by a height map read with tex2Dlod (vertex texture
// fetch needs vs_3_0 and point sampling); the pixel shader scrolls two
// normal maps, mixes deep and shallow colours by a Fresnel term and adds a
// sun highlight. Registers: c0.x time, c4-c7 view-projection rows (mul(M, v)).

float4 Time : register(c0);
float4x4 ViewProj : register(c4);
float4 EyePos : register(c8);
float4 SunDir : register(c9) = { 0.3, -0.8, 0.5, 0.0 };
float4 WaveParams : register(c10) = { 0.6, 0.05, 0.03, 8.0 };   // height, scroll u, scroll v, tiling
float3 DeepColor = { 0.0, 0.08, 0.15 };
float3 ShallowColor = { 0.1, 0.45, 0.5 };

texture HeightMap;
texture WaveNormalMap;

sampler2D HeightSampler = sampler_state
{
    Texture = <HeightMap>;
    MinFilter = Point;
    MagFilter = Point;
    MipFilter = Point;
    AddressU = Wrap;
    AddressV = Wrap;
};

sampler2D WaveSampler = sampler_state
{
    Texture = <WaveNormalMap>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU = Wrap;
    AddressV = Wrap;
};

struct WaterVertex
{
    float4 Position : POSITION;
    float4 UVs      : TEXCOORD0;   // xy, zw: the two scrolling layers
    float3 ToEye    : TEXCOORD1;
};

WaterVertex VS_Water(float3 pos : POSITION, float4 uv : TEXCOORD0)
{
    WaterVertex o;
    float2 base = uv.xy * WaveParams.w;
    float height = tex2Dlod(HeightSampler, float4(base * 0.25 + Time.x * 0.01, 0.0, 0.0)).r;
    float3 world = pos + float3(0.0, height * WaveParams.x, 0.0);
    o.Position = mul(ViewProj, float4(world, 1.0));
    o.UVs.xy = base + Time.x * WaveParams.yz;
    o.UVs.zw = base * 1.7 - Time.x * WaveParams.zy;
    o.ToEye = EyePos.xyz - world;
    return o;
}

float4 PS_Water(float4 uvs : TEXCOORD0, float3 toEye : TEXCOORD1) : COLOR
{
    float3 n1 = tex2D(WaveSampler, uvs.xy).xzy * 2.0 - 1.0;
    float3 n2 = tex2D(WaveSampler, uvs.zw).xzy * 2.0 - 1.0;
    float3 N = normalize(n1 + n2 + float3(0.0, 2.0, 0.0));
    float3 V = normalize(toEye);
    float fresnel = pow(1.0 - saturate(dot(N, V)), 4.0);
    float3 water = lerp(DeepColor, ShallowColor, fresnel);
    float3 R = reflect(normalize(SunDir.xyz), N);
    float sun = pow(saturate(dot(R, V)), 200.0) * 4.0;
    return float4(water + sun, lerp(0.7, 1.0, fresnel));
}

technique Water
{
    pass P0
    {
        VertexShader = compile vs_3_0 VS_Water();
        PixelShader = compile ps_3_0 PS_Water();
        AlphaBlendEnable = true;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        ZWriteEnable = false;
        CullMode = None;
    }
}
