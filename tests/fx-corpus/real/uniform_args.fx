// Uniform compile arguments: one vertex shader, specialised per technique by
// the number of lights and whether specular is wanted, and one pixel shader
// specialised by whether it samples a texture. The surface normal arrives
// packed in COLOR0 (a D3DCOLOR, 0..1 per axis), so the effect runs on the
// particle stream (POSITION, COLOR0, TEXCOORD0).

float4x4 ViewProj : register(c4);
float4 EyePos : register(c8);
float4 LightDir[4] : register(c12);     // xyz: direction the light travels
float4 LightColor[4] : register(c16);
float4 Material : register(c20) = { 0.8, 0.8, 0.8, 24.0 };   // rgb diffuse, w specular power

texture SurfaceTexture;
sampler2D SurfaceSampler = sampler_state
{
    Texture = <SurfaceTexture>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU = Wrap;
    AddressV = Wrap;
};

struct VS_OUTPUT
{
    float4 Position : POSITION;
    float4 Diffuse  : COLOR0;
    float4 Specular : COLOR1;
    float2 UV       : TEXCOORD0;
};

VS_OUTPUT VS(float3 pos : POSITION, float4 packedNormal : COLOR0, float4 uv : TEXCOORD0,
             uniform int numLights, uniform bool useSpecular)
{
    VS_OUTPUT Out;
    Out.Position = mul(ViewProj, float4(pos, 1.0));
    Out.UV = uv.xy;

    float3 N = normalize(packedNormal.xyz * 2.0 - 1.0);
    float3 V = normalize(EyePos.xyz - pos);
    float3 diffuse = 0.05;
    float3 specular = 0.0;
    for (int i = 0; i < numLights; i++)
    {
        float3 L = -normalize(LightDir[i].xyz);
        float NdotL = dot(N, L);
        diffuse += LightColor[i].rgb * saturate(NdotL);
        if (useSpecular && NdotL > 0.0)
        {
            float3 H = normalize(L + V);
            specular += LightColor[i].rgb * pow(saturate(dot(N, H)), Material.w);
        }
    }
    Out.Diffuse = float4(diffuse * Material.rgb, 1.0);
    Out.Specular = float4(specular, 0.0);
    return Out;
}

float4 PS(float4 diffuse : COLOR0, float4 specular : COLOR1, float2 uv : TEXCOORD0, uniform bool textured) : COLOR
{
    float4 albedo = textured ? tex2D(SurfaceSampler, uv) : float4(1.0, 1.0, 1.0, 1.0);
    return float4(albedo.rgb * diffuse.rgb + specular.rgb, albedo.a);
}

technique OneLight
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS(1, false);
        PixelShader = compile ps_2_0 PS(false);
    }
}

technique TwoLightsSpecular
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS(2, true);
        PixelShader = compile ps_2_0 PS(true);
    }
}

technique FourLightsSpecular
{
    pass P0
    {
        VertexShader = compile vs_3_0 VS( 4, true );
        PixelShader = compile ps_3_0 PS( true );
    }
}
