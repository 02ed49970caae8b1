// common.fxh: what every effect of the gallery shares: the registers the
// program writes each frame, the particle's number, and the camera-facing
// square each particle is drawn as.
#ifndef GALLERY_COMMON_FXH
#define GALLERY_COMMON_FXH

float4 time : register(c0);         // x: shader time, grows by 0.016666 a frame
float4 side : register(c1);         // the camera's side axis (towards screen left)
float4 up : register(c2);           // the camera's up axis
float4x4 viewProj : register(c4);   // view x projection, one matrix row per register

struct VS_INPUT {
    float3 position : POSITION;   // the particle's centre, the same for its six vertices
    float4 diffuse : COLOR0;      // the vertex index j: blue = j mod 256, green = j div 256
    float4 corner : TEXCOORD0;    // x: corner number 0 to 3; y: x + y of the particle
};

// The particle's number, decoded from the vertex index in the diffuse word.
float ParticleNumber(float4 diffuse)
{
    float index = floor(diffuse.b * 255.0 + 0.5) + floor(diffuse.g * 255.0 + 0.5) * 256.0;
    return floor(index / 6.0);
}

// A value in [0, 1) of each particle's own, spread evenly.
float Phase(float particle)
{
    return frac(particle * 0.618034);
}

// Corner 0 (-1,-1), 1 (+1,-1), 2 (-1,+1), 3 (+1,+1): the two triangles
// (0,1,2) and (1,2,3) cover the square.
float2 CornerOffset(float corner)
{
    return float2(fmod(corner, 2.0) * 2.0 - 1.0, floor(corner * 0.5) * 2.0 - 1.0);
}

// The offset turned by angle radians in the screen's plane.
float2 Rotate(float2 offset, float angle)
{
    float s = sin(angle);
    float c = cos(angle);
    return float2(c * offset.x - s * offset.y, s * offset.x + c * offset.y);
}

// The clip position of a corner of the square of half edge size around the
// centre, facing the camera.
float4 Billboard(float3 centre, float2 offset, float size)
{
    float3 world = centre + (side.xyz * offset.x + up.xyz * offset.y) * size;
    return mul(viewProj, float4(world, 1.0));
}

// The image's coordinates at a corner: its top left at the square's top left.
float2 CornerUv(float2 offset)
{
    return float2(0.5 - 0.5 * offset.x, 0.5 - 0.5 * offset.y);
}

#endif
