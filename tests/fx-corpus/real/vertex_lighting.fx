// Gouraud shading: a directional light evaluated per vertex, diffuse and
// specular interpolated in COLOR0 / COLOR1 and combined with a base texture.
// Row-vector transforms (mul(v, M)) with matrices bound by semantic.

float4x4 WorldViewProj : WorldViewProjection;
float4x4 World         : World;
float4x4 WorldIT       : WorldInverseTranspose;
float4x4 ViewInv       : ViewInverse;

float3 LightDirection : Direction
<
    string UIName = "Light Direction";
    string Object = "DirectionalLight0";
    string Space  = "World";
> = { 0.577, -0.577, 0.577 };

float4 LightColor : Diffuse < string UIName = "Light Colour"; string UIWidget = "Color"; > = { 1, 1, 1, 1 };
float4 MaterialDiffuse : Diffuse < string UIName = "Surface Colour"; string UIWidget = "Color"; > = { 0.8, 0.6, 0.4, 1.0 };
float4 MaterialSpecular : Specular < string UIWidget = "Color"; > = { 1.0, 1.0, 1.0, 1.0 };
float4 MaterialAmbient : Ambient = { 0.1, 0.1, 0.1, 1.0 };

float SpecularPower : SpecularPower
<
    string UIWidget = "slider";
    float  UIMin    = 1.0;
    float  UIMax    = 128.0;
    float  UIStep   = 1.0;
    string UIName   = "Shininess";
> = 32.0;

texture BaseTexture : Diffuse < string ResourceName = "default_color.dds"; string ResourceType = "2D"; >;

sampler2D BaseSampler = sampler_state
{
    Texture   = <BaseTexture>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU  = Wrap;
    AddressV  = Clamp;
};

struct VS_INPUT
{
    float4 Position : POSITION;
    float3 Normal   : NORMAL;
    float2 TexCoord : TEXCOORD0;
};

struct VS_OUTPUT
{
    float4 Position : POSITION;
    float4 Diffuse  : COLOR0;
    float4 Specular : COLOR1;
    float2 TexCoord : TEXCOORD0;
};

struct PS_INPUT
{
    float4 Diffuse  : COLOR0;
    float4 Specular : COLOR1;
    float2 TexCoord : TEXCOORD0;
};

VS_OUTPUT VS_Gouraud(VS_INPUT In)
{
    VS_OUTPUT Out;
    Out.Position = mul(In.Position, WorldViewProj);

    float3 worldPos = mul(In.Position, World).xyz;
    float3 N = normalize(mul(In.Normal, (float3x3)WorldIT));
    float3 L = normalize(-LightDirection);
    float3 V = normalize(ViewInv[3].xyz - worldPos);
    float3 H = normalize(L + V);

    float diffuse  = saturate(dot(N, L));
    float specular = pow(saturate(dot(N, H)), SpecularPower);
    if (diffuse <= 0.0)
        specular = 0.0;

    Out.Diffuse  = MaterialAmbient + MaterialDiffuse * LightColor * diffuse;
    Out.Diffuse.a = MaterialDiffuse.a;
    Out.Specular = MaterialSpecular * LightColor * specular;
    Out.TexCoord = In.TexCoord;
    return Out;
}

float4 PS_Textured(PS_INPUT In) : COLOR
{
    float4 base = tex2D(BaseSampler, In.TexCoord);
    return float4(base.rgb * In.Diffuse.rgb + In.Specular.rgb, base.a * In.Diffuse.a);
}

float4 PS_Untextured(PS_INPUT In) : COLOR
{
    return saturate(In.Diffuse + In.Specular);
}

technique Gouraud
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS_Gouraud();
        PixelShader  = compile ps_2_0 PS_Textured();
        ZEnable = true;
        ZWriteEnable = true;
        CullMode = CCW;
    }
}

technique GouraudUntextured
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS_Gouraud();
        PixelShader  = compile ps_2_0 PS_Untextured();
    }
}

// Vertex shader only: the fixed-function pixel stage adds COLOR1 itself.
technique GouraudFixedPixel
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS_Gouraud();
        PixelShader  = NULL;
        SpecularEnable = true;
    }
}
