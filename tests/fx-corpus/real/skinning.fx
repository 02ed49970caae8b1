// Matrix-palette skinning: up to four bones per vertex from a palette of 26
// world matrices stored as float4x3 (three registers each, from c10), bone
// indices packed in a D3DCOLOR (BLENDINDICES) and three explicit weights
// (BLENDWEIGHT, the fourth is what remains). The bone count is a uniform
// compile argument, one technique per count. Lit by one directional light.
//
// Needs NORMAL, BLENDWEIGHT and BLENDINDICES: a compile check only. The
// palette spans c10-c87, more constants than this program's 64 per stage.

float4x4 ViewProj : VIEWPROJECTION : register(c0);
float4 LightDirection : register(c4) = { 0.0, -0.707, 0.707, 0.0 };
float4 LightDiffuse : register(c5) = { 1.0, 1.0, 1.0, 1.0 };
float4 Ambient : register(c6) = { 0.15, 0.15, 0.15, 1.0 };
float4x3 Bones[26] : register(c10);

texture SkinTexture;
sampler2D SkinSampler = sampler_state
{
    Texture = <SkinTexture>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
};

struct VS_SKIN_INPUT
{
    float4 Position : POSITION;
    float3 Weights  : BLENDWEIGHT;
    float4 Indices  : BLENDINDICES;
    float3 Normal   : NORMAL;
    float2 UV       : TEXCOORD0;
};

struct VS_SKIN_OUTPUT
{
    float4 Position : POSITION;
    float4 Diffuse  : COLOR0;
    float2 UV       : TEXCOORD0;
};

VS_SKIN_OUTPUT VS_Skin(VS_SKIN_INPUT In, uniform int numBones)
{
    VS_SKIN_OUTPUT Out;
    int4 index = D3DCOLORtoUBYTE4(In.Indices);
    float4 weights = float4(In.Weights, 0.0);
    float lastWeight = 1.0;
    float3 pos = 0.0;
    float3 normal = 0.0;

    for (int i = 0; i < numBones - 1; i++)
    {
        lastWeight -= weights[i];
        pos    += mul(In.Position, Bones[index[i]]) * weights[i];
        normal += mul(In.Normal, (float3x3)Bones[index[i]]) * weights[i];
    }
    pos    += mul(In.Position, Bones[index[numBones - 1]]) * lastWeight;
    normal += mul(In.Normal, (float3x3)Bones[index[numBones - 1]]) * lastWeight;

    Out.Position = mul(float4(pos, 1.0), ViewProj);
    normal = normalize(normal);
    Out.Diffuse = Ambient + LightDiffuse * saturate(dot(normal, -LightDirection.xyz));
    Out.Diffuse.a = 1.0;
    Out.UV = In.UV;
    return Out;
}

float4 PS_Skin(float4 diffuse : COLOR0, float2 uv : TEXCOORD0) : COLOR
{
    return tex2D(SkinSampler, uv) * diffuse;
}

technique Skin1 { pass P0 { VertexShader = compile vs_2_0 VS_Skin(1); PixelShader = compile ps_2_0 PS_Skin(); } }
technique Skin2 { pass P0 { VertexShader = compile vs_2_0 VS_Skin(2); PixelShader = compile ps_2_0 PS_Skin(); } }
technique Skin3 { pass P0 { VertexShader = compile vs_2_0 VS_Skin(3); PixelShader = compile ps_2_0 PS_Skin(); } }
technique Skin4 { pass P0 { VertexShader = compile vs_3_0 VS_Skin(4); PixelShader = compile ps_3_0 PS_Skin(); } }
