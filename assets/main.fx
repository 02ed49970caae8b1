// Particles drawn as soft, glowing dots that face the camera.
//
// The program fills c0 to c7 of both shaders every frame:
//   c0.x   time in seconds of shader time
//   c1     the camera's side axis (towards the screen's left), w = 1
//   c2     the camera's up axis, w = 1
//   c4-c7  the view-projection matrix, one row per register

float4 time : register(c0);
float4 side : register(c1);
float4 up : register(c2);
float4x4 viewProj : register(c4);

// Half the edge of a particle's quad, in world units.
static const float kHalfSize = 0.05;

struct VS_INPUT {
    float3 position : POSITION;   // the particle's centre, the same for all six vertices
    float4 diffuse : COLOR0;      // the vertex index j: blue = j mod 256, green = j div 256
    float4 corner : TEXCOORD0;    // x: corner 0 to 3, y: x + y of the particle
};

struct VS_OUTPUT {
    float4 position : POSITION;
    float4 color : COLOR0;
    float2 quad : TEXCOORD0;      // -1 to +1 across the quad
};

VS_OUTPUT vs_main(VS_INPUT input)
{
    VS_OUTPUT output;

    // Corner 0 (-1,-1), 1 (+1,-1), 2 (-1,+1), 3 (+1,+1): corners 0 and 3 are
    // the diagonal the two triangles (0,1,2) and (1,2,3) share an edge across.
    float corner = input.corner.x;
    float2 offset = float2(fmod(corner, 2.0) * 2.0 - 1.0, floor(corner * 0.5) * 2.0 - 1.0);
    float3 world = input.position + (side.xyz * offset.x + up.xyz * offset.y) * kHalfSize;

    // The registers hold the rows of the matrix; mul(M, v) applies it to the
    // position as a row vector.
    output.position = mul(viewProj, float4(world, 1.0));

    // Colour drifts with the particle's place in the field and with time;
    // each particle gets its own brightness from its index.
    float index = floor(input.diffuse.b * 255.0 + 0.5) + floor(input.diffuse.g * 255.0 + 0.5) * 256.0;
    float particle = floor(index / 6.0);
    float brightness = 0.55 + 0.45 * frac(particle * 0.618034);
    float hue = input.corner.y * 0.3 + time.x * 0.25;
    float3 rgb = 0.5 + 0.5 * cos(hue + float3(0.0, 2.094, 4.188));
    output.color = float4(rgb * brightness, 1.0);
    output.quad = offset;
    return output;
}

float4 ps_main(float4 color : COLOR0, float2 quad : TEXCOORD0) : COLOR0
{
    // Bright in the middle, fading to nothing at the quad's inscribed circle.
    float glow = saturate(1.0 - dot(quad, quad));
    glow *= glow;
    return float4(color.rgb * glow, glow);
}

technique Particles
{
    pass P0
    {
        VertexShader = compile vs_3_0 vs_main();
        PixelShader = compile ps_3_0 ps_main();
    }
}
