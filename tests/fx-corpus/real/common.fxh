// common.fxh - shared by the lit effects in this folder: the object and camera
// transforms (bound by semantic), one directional light, and the lighting terms.
//
// Kept to plain HLSL plus annotations: no textures, samplers or techniques
// live here, so any effect may include it whatever it declares itself.
#ifndef COMMON_FXH
#define COMMON_FXH

float4x4 World         : WORLD;
float4x4 WorldIT       : WORLDINVERSETRANSPOSE;
float4x4 WorldViewProj : WORLDVIEWPROJECTION;
float4x4 ViewInv       : VIEWINVERSE;

float3 LightDir : DIRECTION
<
    string UIName = "Light Direction";
    string Object = "DirectionalLight0";
    string Space  = "World";
> = { -0.577, -0.577, 0.577 };

float4 LightColor : DIFFUSE
<
    string UIName   = "Light Colour";
    string UIWidget = "Color";
> = { 1.0, 1.0, 1.0, 1.0 };

float4 AmbientColor : AMBIENT < string UIName = "Ambient"; string UIWidget = "Color"; > = { 0.08, 0.08, 0.1, 1.0 };

struct LightTerms
{
    float diffuse;
    float specular;
};

// The camera sits in the translation row of the inverse view matrix.
float3 EyePosition()
{
    return ViewInv[3].xyz;
}

float3 ToWorldNormal(float3 n)
{
    return normalize(mul(n, (float3x3)WorldIT));
}

// N, L and V are unit vectors; L points from the surface towards the light.
LightTerms PhongTerms(float3 N, float3 L, float3 V, float power)
{
    LightTerms t;
    t.diffuse = saturate(dot(N, L));
    float3 R = reflect(-L, N);
    t.specular = (t.diffuse > 0.0) ? pow(saturate(dot(R, V)), power) : 0.0;
    return t;
}

LightTerms BlinnPhongTerms(float3 N, float3 L, float3 V, float power)
{
    LightTerms t;
    t.diffuse = saturate(dot(N, L));
    float3 H = normalize(L + V);
    t.specular = (t.diffuse > 0.0) ? pow(saturate(dot(N, H)), power) : 0.0;
    return t;
}

// 1 at fogStart and nearer, 0 at fogEnd and beyond.
float LinearFog(float distance, float fogStart, float fogEnd)
{
    return saturate((fogEnd - distance) / (fogEnd - fogStart));
}

#endif // COMMON_FXH
