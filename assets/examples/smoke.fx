// smoke.fx: soft, slowly turning puffs of smoke from puff.png, blended over
// each other by their alpha instead of adding up.
//
//   flowfield assets/examples/smoke.fx
#include "common.fxh"

float Size : register(c64) < string SasUiLabel = "Size"; float SasUiMin = 0.02; float SasUiMax = 0.6; > = 0.20;   // half the edge of a puff's square
float Opacity : register(c65) < string SasUiLabel = "Opacity"; float SasUiMin = 0; float SasUiMax = 1; > = 0.35;   // how much one puff covers what is behind it
float Spin : register(c66) < string SasUiLabel = "Spin"; float SasUiMin = -2; float SasUiMax = 2; > = 0.25;   // turning speed, radians per second of shader time
float3 Soot : register(c67) < string SasUiLabel = "Soot"; string SasUiControl = "ColorPicker"; > = float3(0.45, 0.48, 0.58);
float3 Steam : register(c68) < string SasUiLabel = "Steam"; string SasUiControl = "ColorPicker"; > = float3(0.90, 0.86, 0.80);

texture PuffTex < string ResourceName = "puff.png"; string ResourceType = "2D"; >;

sampler2D Puff = sampler_state
{
    Texture = <PuffTex>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU = Clamp;
    AddressV = Clamp;
};

struct VS_OUTPUT {
    float4 position : POSITION;
    float4 color : COLOR0;
    float2 uv : TEXCOORD0;
};

VS_OUTPUT vs_main(VS_INPUT input)
{
    VS_OUTPUT output;
    float phase = Phase(ParticleNumber(input.diffuse));
    float2 offset = CornerOffset(input.corner.x);

    // Every puff turns its own way from its own angle.
    float angle = phase * 6.2831853 + time.x * Spin * (phase - 0.5);
    float size = Size * (0.7 + 0.6 * phase);
    output.position = Billboard(input.position, Rotate(offset, angle), size);
    output.color = float4(lerp(Soot, Steam, phase), Opacity);
    output.uv = CornerUv(offset);
    return output;
}

float4 ps_main(float4 color : COLOR0, float2 uv : TEXCOORD0) : COLOR0
{
    float4 puff = tex2D(Puff, uv);
    return float4(color.rgb * puff.rgb, color.a * puff.a);
}

technique Smoke
{
    pass P0
    {
        AlphaBlendEnable = TRUE;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        VertexShader = compile vs_3_0 vs_main();
        PixelShader = compile ps_3_0 ps_main();
    }
}
