// A whole Blinn-Phong pixel shader of the ps_2_0 era: a normal from the
// texture coordinates, a directional light, the half vector, the specular
// power only where the light reaches (NdotL > 0 as 0 or 1).
//? entry ps_2_0 main()
//? size 4 4
//? abs 1e-4
//? expect at 0 0 = 0.379756 0.237348 0.0949406 1
//? expect at 1 0 = 0.452881 0.283074 0.113268 1
//? expect at 2 0 = 0.512494 0.320494 0.128494 1
//? expect at 3 0 = 0.547277 0.342338 0.137399 1
//? expect at 0 1 = 0.468529 0.292867 0.117205 1
//? expect at 1 1 = 0.5606 0.351889 0.143179 1
//? expect at 2 1 = 0.658626 0.424341 0.190056 1
//? expect at 3 1 = 0.701377 0.454719 0.208061 1
//? expect at 0 2 = 0.545127 0.341127 0.137127 1
//? expect at 1 2 = 0.692333 0.45154 0.210748 1
//? expect at 2 2 = 1.13546 0.867134 0.598806 1
//? expect at 3 2 = 1.23097 0.951133 0.671292 1
//? expect at 0 3 = 0.595868 0.373363 0.150858 1
//? expect at 1 3 = 0.784339 0.525032 0.265726 1
//? expect at 2 3 = 1.46027 1.17393 0.887577 1
//? expect at 3 3 = 1.60179 1.30454 1.00728 1
float3 LightDir = { 0.3, 0.4, 1.0 };
float4 Diffuse = { 0.8, 0.5, 0.2, 1 };
float Shininess = 32;
struct PSIn { float2 uv : TEXCOORD0; };
float4 main(PSIn i) : COLOR0
{
    float3 N = normalize(float3(i.uv - 0.5, 1));
    float3 L = normalize(LightDir);
    float3 H = normalize(L + float3(0, 0, 1));
    float NdotL = saturate(dot(N, L));
    float specular = pow(saturate(dot(N, H)), Shininess) * (NdotL > 0);
    float4 c = Diffuse * NdotL + specular;
    c.a = 1;
    return c;
}
