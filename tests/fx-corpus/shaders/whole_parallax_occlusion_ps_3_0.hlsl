//! args -T ps_3_0 -E POMPS
//! line   pixel: ps_3_0 POMPS()
// A whole parallax occlusion shader: a loop on a uniform count that reads
// with gradients taken before it and leaves by a break.
float HeightScale = 0.04;
int MaxSamples = 32;
sampler2D ColorMap : register(s0);
sampler2D HeightMap : register(s1);
sampler2D NormalMap : register(s2);
struct PSIn { float2 uv : TEXCOORD0; float3 viewTS : TEXCOORD1; float3 lightTS : TEXCOORD2; };
float4 POMPS(PSIn i) : COLOR0
{
    float3 V = normalize(i.viewTS);
    float2 dx = ddx(i.uv), dy = ddy(i.uv);
    float2 maxOffset = -V.xy / V.z * HeightScale;
    float stepSize = 1.0 / MaxSamples;
    float bound = 1.0;
    float2 offset = 0;
    int n = 0;
    while (n < MaxSamples) {
        float h = tex2Dgrad(HeightMap, i.uv + offset, dx, dy).r;
        if (h > bound) break;
        bound -= stepSize;
        offset += stepSize * maxOffset;
        n++;
    }
    float2 uv = i.uv + offset;
    float3 N = normalize(tex2D(NormalMap, uv).xyz * 2 - 1);
    return tex2D(ColorMap, uv) * saturate(dot(N, normalize(i.lightTS)));
}
