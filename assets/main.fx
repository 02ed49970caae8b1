// main.fx: how every particle looks.
//
// Edit this file while the program runs and press F5 to see the change
// (F4 also scatters the particles afresh). A compile error is printed in the
// console with its line and column; the particles disappear until the file
// compiles again.
//
// The knobs: press F1 in the program for a panel of sliders and colours
// built from the annotations below, Ctrl+S to keep the values beside this
// file (main.fx.knobs). Each line's initializer is the default; UIMin and
// UIMax bound what the panel takes. They sit at c64 and up, which the
// program's own c0-c63 never touch, so this file also draws the same on a
// program that never sets them.
float ParticleSize : register(c64) <     // half the edge of a particle's square, in world units
    string UIName = "Particle size"; string UIGroup = "Shape";
    float UIMin = 0.005; float UIMax = 0.3; float UISoftMax = 0.2; float UIStep = 0.001; > = 0.06;
float PulseAmount : register(c65) <      // 0: no pulse; 0.25: the size breathes by a quarter
    string UIName = "Pulse amount"; string UIGroup = "Shape"; float UIMin = 0; float UIMax = 1; > = 0.25;
float PulseSpeed : register(c66) <       // pulse rate, in radians per second of shader time
    string UIName = "Pulse speed"; string UIGroup = "Shape"; float UIMin = 0; float UIMax = 10; > = 1.7;
float Intensity : register(c67) <        // brightness of one particle at its centre (particles add up)
    string UIName = "Intensity"; string UIGroup = "Light"; float UIMin = 0; float UIMax = 4; float UISoftMax = 2; > = 0.7;
float Halo : register(c68) <             // strength of the wide, faint glow around each particle
    string UIName = "Halo"; string UIGroup = "Light"; float UIMin = 0; float UIMax = 2; > = 0.35;
float Core : register(c69) <             // strength of the bright centre
    string UIName = "Core"; string UIGroup = "Light"; float UIMin = 0; float UIMax = 4; > = 1.0;
// The palette, blended by place and time.
float3 ColorA : register(c70) < string UIName = "Colour A"; string UIGroup = "Palette";
    string UIWidget = "Color"; > = float3(1.00, 0.42, 0.18);   // ember orange
float3 ColorB : register(c71) < string UIName = "Colour B"; string UIGroup = "Palette";
    string UIWidget = "Color"; > = float3(0.95, 0.20, 0.75);   // magenta
float3 ColorC : register(c72) < string UIName = "Colour C"; string UIGroup = "Palette";
    string UIWidget = "Color"; > = float3(0.20, 0.55, 1.00);   // sky blue

// What the program writes into c0 to c7 of both shaders every frame.
float4 time : register(c0);         // x: shader time, grows by 0.016666 a frame
float4 side : register(c1);         // the camera's side axis (towards screen left), w = 1
float4 up : register(c2);           // the camera's up axis, w = 1
float4x4 viewProj : register(c4);   // view x projection, one matrix row per register

struct VS_INPUT {
    float3 position : POSITION;   // the particle's centre, the same for its six vertices
    float4 diffuse : COLOR0;      // the vertex index j: blue = j mod 256, green = j div 256
    float4 corner : TEXCOORD0;    // x: corner number 0 to 3; y: x + y of the particle
};

struct VS_OUTPUT {
    float4 position : POSITION;
    float4 color : COLOR0;
    float2 quad : TEXCOORD0;      // -1 to +1 across the particle's square
};

// A smooth three-colour palette: t in [0, 1) runs A -> B -> C -> A.
float3 Palette(float t)
{
    float3 ab = lerp(ColorA, ColorB, smoothstep(0.0, 0.34, t));
    float3 bc = lerp(ab, ColorC, smoothstep(0.33, 0.67, t));
    return lerp(bc, ColorA, smoothstep(0.66, 1.0, t));
}

VS_OUTPUT vs_main(VS_INPUT input)
{
    VS_OUTPUT output;

    // The particle's number, decoded from the vertex index in the diffuse word.
    float index = floor(input.diffuse.b * 255.0 + 0.5) + floor(input.diffuse.g * 255.0 + 0.5) * 256.0;
    float particle = floor(index / 6.0);
    float phase = frac(particle * 0.618034);   // spread evenly over [0, 1)

    // Corner 0 (-1,-1), 1 (+1,-1), 2 (-1,+1), 3 (+1,+1): the two triangles
    // (0,1,2) and (1,2,3) cover the square.
    float corner = input.corner.x;
    float2 offset = float2(fmod(corner, 2.0) * 2.0 - 1.0, floor(corner * 0.5) * 2.0 - 1.0);

    // Each particle breathes at its own phase.
    float pulse = 1.0 + PulseAmount * sin(time.x * PulseSpeed + phase * 6.2831853);
    float size = ParticleSize * pulse * (0.75 + 0.5 * phase);
    float3 world = input.position + (side.xyz * offset.x + up.xyz * offset.y) * size;

    // The registers hold the matrix rows; mul(M, v) applies it to the
    // position as a row vector.
    output.position = mul(viewProj, float4(world, 1.0));

    // Colour follows the particle's place in the field (x + y), drifts slowly
    // with time, and varies a little from particle to particle.
    float t = frac(input.corner.y * 0.12 + time.x * 0.02 + phase * 0.15);
    float brightness = Intensity * (0.7 + 0.3 * pulse);
    output.color = float4(Palette(t) * brightness, 1.0);
    output.quad = offset;
    return output;
}

float4 ps_main(float4 color : COLOR0, float2 quad : TEXCOORD0) : COLOR0
{
    // A bright core and a faint halo, both fading to nothing at the circle
    // inscribed in the square, so the square's edges never show.
    float r2 = dot(quad, quad);
    float edge = saturate(1.0 - r2);
    float core = exp(-r2 * 9.0) * Core;
    float halo = edge * edge * Halo;
    return float4(color.rgb * (core + halo) * edge, 1.0);
}

technique Particles
{
    pass P0
    {
        VertexShader = compile vs_3_0 vs_main();
        PixelShader = compile ps_3_0 ps_main();
    }
}
