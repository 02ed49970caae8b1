// Environment reflection from a cube map: the reflected view vector looks up
// a textureCUBE through a samplerCUBE, blended with the surface colour by a
// Schlick Fresnel term. A second technique draws the same cube map as a sky.

float4x4 WorldViewProj : WORLDVIEWPROJECTION;
float4x4 World : WORLD;
float4x4 WorldIT : WORLDINVERSETRANSPOSE;
float4x4 ViewInv : VIEWINVERSE;
float4x4 ViewProjNoTranslation : VIEWPROJECTION < string Comment = "view without translation, times projection"; >;

float4 BaseColor : DIFFUSE < string UIWidget = "Color"; > = { 0.2, 0.25, 0.3, 1.0 };
float Reflectivity < string UIWidget = "slider"; float UIMin = 0; float UIMax = 1; float UIStep = 0.01; > = 0.8;
float FresnelPower = 5.0;

textureCUBE EnvironmentMap : ENVIRONMENT < string ResourceName = "sky_cube.dds"; string ResourceType = "Cube"; >;

samplerCUBE EnvSampler = sampler_state
{
    Texture   = <EnvironmentMap>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU  = Clamp;
    AddressV  = Clamp;
    AddressW  = Clamp;
};

struct ReflectVertex
{
    float4 Position : POSITION;
    float3 Normal   : TEXCOORD0;
    float3 View     : TEXCOORD1;
};

ReflectVertex VS_Reflect(float4 position : POSITION, float3 normal : NORMAL)
{
    ReflectVertex o;
    o.Position = mul(position, WorldViewProj);
    o.Normal = mul(normal, (float3x3)WorldIT);
    o.View = mul(position, World).xyz - ViewInv[3].xyz;
    return o;
}

float4 PS_Reflect(float3 normal : TEXCOORD0, float3 view : TEXCOORD1) : COLOR
{
    float3 N = normalize(normal);
    float3 I = normalize(view);
    float3 R = reflect(I, N);
    float4 env = texCUBE(EnvSampler, R);
    float fresnel = Reflectivity + (1.0 - Reflectivity) * pow(1.0 - saturate(dot(-I, N)), FresnelPower);
    return float4(lerp(BaseColor.rgb, env.rgb, saturate(fresnel)), 1.0);
}

struct SkyVertex
{
    float4 Position : POSITION;
    float3 Dir      : TEXCOORD0;
};

SkyVertex VS_Sky(float4 position : POSITION)
{
    SkyVertex o;
    // z = w puts the sky on the far plane.
    o.Position = mul(float4(position.xyz, 1.0), ViewProjNoTranslation).xyww;
    o.Dir = position.xyz;
    return o;
}

float4 PS_Sky(float3 dir : TEXCOORD0) : COLOR
{
    return texCUBE(EnvSampler, dir);
}

technique EnvironmentReflection
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS_Reflect();
        PixelShader  = compile ps_2_0 PS_Reflect();
    }
}

technique Sky
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS_Sky();
        PixelShader  = compile ps_2_0 PS_Sky();
        ZWriteEnable = false;
        ZFunc = LessEqual;
        CullMode = None;
    }
}
