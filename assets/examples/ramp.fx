// ramp.fx: glowing dots coloured from the colour ramp ramp.png, looked up
// by the particle's place (x + y) and by time, in the vertex shader
// (tex2Dlod: vertex texture fetch, vs_3_0). The bands of colour sweep across
// the field.
//
//   flowfield assets/examples/ramp.fx
#include "common.fxh"

float Size : register(c64) < string UIName = "Size"; float UIMin = 0.01; float UIMax = 0.3; > = 0.05;   // half the edge of a dot's square
float BandWidth : register(c65) < string UIName = "Band width"; float UIMin = 0; float UIMax = 1; > = 0.10;   // how much of the ramp one unit of x + y spans
float Sweep : register(c66) < string UIName = "Sweep"; float UIMin = -0.5; float UIMax = 0.5; > = 0.04;   // how fast the colours move along the ramp
float Intensity : register(c67) < string UIName = "Intensity"; float UIMin = 0; float UIMax = 3; > = 0.9;

texture RampTex < string ResourceName = "ramp.png"; string ResourceType = "2D"; >;

// The ramp repeats along u, so the lookup may run past 1.
sampler2D Ramp = sampler_state
{
    Texture = <RampTex>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Wrap;
    AddressV = Clamp;
};

struct VS_OUTPUT {
    float4 position : POSITION;
    float4 color : COLOR0;
    float2 quad : TEXCOORD0;   // -1 to +1 across the square
};

VS_OUTPUT vs_main(VS_INPUT input)
{
    VS_OUTPUT output;
    float phase = Phase(ParticleNumber(input.diffuse));
    float2 offset = CornerOffset(input.corner.x);
    output.position = Billboard(input.position, offset, Size * (0.8 + 0.4 * phase));

    float u = input.corner.y * BandWidth + time.x * Sweep + phase * 0.05;
    output.color = float4(tex2Dlod(Ramp, float4(u, 0.5, 0.0, 0.0)).rgb * Intensity, 1.0);
    output.quad = offset;
    return output;
}

float4 ps_main(float4 color : COLOR0, float2 quad : TEXCOORD0) : COLOR0
{
    // A bright core fading to nothing at the circle inside the square.
    float r2 = dot(quad, quad);
    float edge = saturate(1.0 - r2);
    return float4(color.rgb * (exp(-r2 * 6.0) + 0.3 * edge) * edge, 1.0);
}

technique Ramp
{
    pass P0
    {
        VertexShader = compile vs_3_0 vs_main();
        PixelShader = compile ps_3_0 ps_main();
    }
}
