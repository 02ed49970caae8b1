// main.fx: how every particle looks.
//
// Edit this file while the program runs and press F5 to see the change
// (F4 also scatters the particles afresh). A compile error is printed in the
// console with its line and column; the particles disappear until the file
// compiles again.
//
// Quick changes:
//   size of the particles ........ PARTICLE_SIZE
//   how strongly they pulse ...... PULSE_AMOUNT, PULSE_SPEED
//   their colours ................ COLOR_A, COLOR_B, COLOR_C (blended by place and time)
//   overall brightness ........... INTENSITY (keep it low: particles add up)
//   soft halo versus hard core .... HALO, CORE

#define PARTICLE_SIZE 0.06    // half the edge of a particle's square, in world units
#define PULSE_AMOUNT  0.25    // 0: no pulse; 0.25: the size breathes by a quarter
#define PULSE_SPEED   1.7     // pulse rate, in radians per second of shader time
#define INTENSITY     0.7     // brightness of one particle at its centre
#define HALO          0.35    // strength of the wide, faint glow around each particle
#define CORE          1.0     // strength of the bright centre

static const float3 COLOR_A = float3(1.00, 0.42, 0.18);   // ember orange
static const float3 COLOR_B = float3(0.95, 0.20, 0.75);   // magenta
static const float3 COLOR_C = float3(0.20, 0.55, 1.00);   // sky blue

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
    float3 ab = lerp(COLOR_A, COLOR_B, smoothstep(0.0, 0.34, t));
    float3 bc = lerp(ab, COLOR_C, smoothstep(0.33, 0.67, t));
    return lerp(bc, COLOR_A, smoothstep(0.66, 1.0, t));
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
    float pulse = 1.0 + PULSE_AMOUNT * sin(time.x * PULSE_SPEED + phase * 6.2831853);
    float size = PARTICLE_SIZE * pulse * (0.75 + 0.5 * phase);
    float3 world = input.position + (side.xyz * offset.x + up.xyz * offset.y) * size;

    // The registers hold the matrix rows; mul(M, v) applies it to the
    // position as a row vector.
    output.position = mul(viewProj, float4(world, 1.0));

    // Colour follows the particle's place in the field (x + y), drifts slowly
    // with time, and varies a little from particle to particle.
    float t = frac(input.corner.y * 0.12 + time.x * 0.02 + phase * 0.15);
    float brightness = INTENSITY * (0.7 + 0.3 * pulse);
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
    float core = exp(-r2 * 9.0) * CORE;
    float halo = edge * edge * HALO;
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
