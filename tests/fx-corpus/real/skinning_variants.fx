// Matrix-palette skinning with one vertex shader per bone count, kept in an
// array of shader variables and picked by an int parameter; the light
// colours come from a palette indexed at run time and the per-bone weights
// from a float4 indexed by a loop counter.

#define MAX_BONES 12

int CurNumBones = 2;
float4x3 Palette[MAX_BONES] : WORLDMATRIXARRAY;
float4x4 ViewProj : VIEWPROJECTION;
float3 LightDir : DIRECTION < string Object = "Light0"; > = { 0.0, -1.0, 0.0 };
float4 LightColors[4] = { {1, 1, 1, 1}, {1, 0.5, 0.5, 1}, {0.5, 1, 0.5, 1}, {0.5, 0.5, 1, 1} };
float4x4 ColorMix = { 1, 0, 0, 0,  0, 1, 0, 0,  0, 0, 1, 0,  0, 0, 0, 1 };
DWORD LightIndex = 0;

struct VS_INPUT
{
    float4 Pos     : POSITION;
    float4 Weights : BLENDWEIGHT;
    float4 Indices : BLENDINDICES;
    float3 Normal  : NORMAL;
    float2 UV      : TEXCOORD0;
};

struct VS_OUTPUT
{
    float4 Pos     : POSITION;
    float4 Diffuse : COLOR0;
    float2 UV      : TEXCOORD0;
};

VS_OUTPUT VSkin(VS_INPUT In, uniform int numBones)
{
    VS_OUTPUT Out;
    int4 idx = D3DCOLORtoUBYTE4(In.Indices);
    float last = 1.0;
    float3 pos = 0;
    float3 nrm = 0;
    for (int i = 0; i < numBones - 1; i++)
    {
        float w = In.Weights[i];
        last -= w;
        pos += mul(In.Pos, Palette[idx[i]]) * w;
        nrm += mul(In.Normal, (float3x3)Palette[idx[i]]) * w;
    }
    pos += mul(In.Pos, Palette[idx[numBones - 1]]) * last;
    nrm += mul(In.Normal, (float3x3)Palette[idx[numBones - 1]]) * last;
    Out.Pos = mul(float4(pos, 1), ViewProj);
    float4 light = mul(LightColors[LightIndex], ColorMix);
    for (int k = 0; k < 3; k++) light[k] *= ColorMix[k][k];
    Out.Diffuse = saturate(dot(normalize(nrm), -LightDir)) * light;
    Out.UV = In.UV;
    return Out;
}

float4 PSkin(float4 diffuse : COLOR0) : COLOR { return diffuse; }

VertexShader SkinVS[4] =
{
    compile vs_2_0 VSkin(1),
    compile vs_2_0 VSkin(2),
    compile vs_2_0 VSkin(3),
    compile vs_2_0 VSkin(4)
};

technique Skinned
{
    pass
    {
        VertexShader = (SkinVS[CurNumBones]);
        PixelShader = compile ps_2_0 PSkin();
    }
}

technique FourBones
{
    pass { VertexShader = (SkinVS[3]); PixelShader = compile ps_2_0 PSkin(); }
}
