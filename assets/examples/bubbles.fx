// bubbles.fx: soap bubbles with shimmering rims, from the sprite bubble.png,
// each wobbling at its own pace.
//
//   flowfield assets/examples/bubbles.fx
#include "common.fxh"

float Size : register(c64) < string ui_label = "Size"; string ui_type = "slider"; float ui_min = 0.01; float ui_max = 0.3; > = 0.07;   // half the edge of a bubble's square
float Wobble : register(c65) < string ui_label = "Wobble"; string ui_type = "slider"; float ui_min = 0; float ui_max = 0.5; > = 0.12;   // how much a bubble swells and shrinks
float Intensity : register(c66) < string ui_label = "Intensity"; string ui_type = "slider"; float ui_min = 0; float ui_max = 3; > = 0.75;   // brightness of the rim (bubbles add up where they overlap)

texture BubbleTex < string ResourceName = "bubble.png"; >;

sampler2D Bubble = sampler_state
{
    Texture = <BubbleTex>;
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

    // Squashed one way and stretched the other, in turn.
    float t = time.x * (1.5 + phase) + phase * 6.2831853;
    float2 wobble = float2(1.0 + Wobble * sin(t), 1.0 - Wobble * sin(t));
    float size = Size * (0.6 + 0.8 * phase);
    output.position = Billboard(input.position, offset * wobble, size);

    // Larger bubbles are fainter, as thin films are.
    output.color = float4(Intensity * (1.2 - 0.5 * phase).xxx, 1.0);
    output.uv = CornerUv(offset);
    return output;
}

float4 ps_main(float4 color : COLOR0, float2 uv : TEXCOORD0) : COLOR0
{
    return float4(color.rgb * tex2D(Bubble, uv).rgb, 1.0);
}

technique Bubbles
{
    pass P0
    {
        VertexShader = compile vs_3_0 vs_main();
        PixelShader = compile ps_3_0 ps_main();
    }
}
