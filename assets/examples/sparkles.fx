// sparkles.fx: sharp four-pointed stars that flash one by one, gold and ice
// blue, from the sprite spark.png.
//
//   flowfield assets/examples/sparkles.fx
#include "common.fxh"

float Size : register(c64) < string UIName = "Size"; float UIMin = 0.01; float UIMax = 0.5; > = 0.12;   // half the edge of a sparkle's square at its brightest
float FlashSpeed : register(c65) < string UIName = "Flash speed"; float UIMin = 0; float UIMax = 10; > = 2.2;    // how fast the sparkles flash
float Sharpness : register(c66) < string UIName = "Sharpness"; float UIMin = 1; float UIMax = 40; > = 10.0;   // higher: shorter flashes and longer dark spells
float3 Gold : register(c67) < string UIName = "Gold"; string UIWidget = "Color"; > = float3(1.00, 0.82, 0.45);
float3 Ice : register(c68) < string UIName = "Ice"; string UIWidget = "Color"; > = float3(0.55, 0.80, 1.00);

texture SparkTex < string ResourceName = "spark.png"; string ResourceType = "2D"; >;

sampler2D Spark = sampler_state
{
    Texture = <SparkTex>;
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

    // A sine raised to a high power is dark most of the time: a flash.
    float wave = 0.5 + 0.5 * sin(time.x * FlashSpeed * (0.6 + phase) + phase * 40.0);
    float flash = pow(wave, Sharpness);

    // Each star is turned a little differently, and grows as it flashes.
    float2 offset = CornerOffset(input.corner.x);
    float size = Size * (0.35 + 0.65 * flash);
    output.position = Billboard(input.position, Rotate(offset, phase * 0.8), size);
    output.color = float4(lerp(Ice, Gold, phase) * (0.25 + 1.5 * flash), 1.0);
    output.uv = CornerUv(offset);
    return output;
}

float4 ps_main(float4 color : COLOR0, float2 uv : TEXCOORD0) : COLOR0
{
    return float4(color.rgb * tex2D(Spark, uv).rgb, 1.0);
}

technique Sparkles
{
    pass P0
    {
        VertexShader = compile vs_3_0 vs_main();
        PixelShader = compile ps_3_0 ps_main();
    }
}
