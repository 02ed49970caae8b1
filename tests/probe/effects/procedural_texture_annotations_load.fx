// Effect editors named a function of the file that the host program runs
// to fill a texture (compiled by the host for tx_1_0, never by a
// technique), with its size in one annotation declaring several names. The
// effect loads: the function is never compiled, and its texture, having no
// file, reads opaque black.
//? expect 0.5 0.25 0.75 1
texture NoiseTexture <
    string ResourceType = "3D";
    string function = "Noise3D";
    string UIWidget = "None";
    int width = 32, height = 32, depth = 32;
>;
sampler3D NoiseSampler = sampler_state { Texture = <NoiseTexture>; };

float4 Noise3D(float3 Pos : POSITION) : COLOR
{
    return noise(Pos * 50.5) * .5 + .5;
}

float4 ps(float2 uv : TEXCOORD0) : COLOR0
{
    return tex3D(NoiseSampler, float3(uv, 0)) + float4(0.5, 0.25, 0.75, 0);
}
technique T { pass P { PixelShader = compile ps_2_0 ps(); } }
