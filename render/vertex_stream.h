// The particle vertex stream: six vertices per particle, all at its centre,
// told apart by a corner number that the vertex shader turns into a quad.
#pragma once

#include "platform/gfx/gfx.h"
#include "sim/particles.h"

#include <cstdint>

// Vertex format 0x20142: position, diffuse word, four texture floats.
struct ParticleVertex {
    float x, y, z;
    uint32_t diffuse;  // the vertex index itself, not a colour
    float u0;          // corner number 0..3
    float u1;          // x + y of the particle
    float u2, u3;      // written as 0
};
static_assert(sizeof(ParticleVertex) == 32);

constexpr DWORD kParticleFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE4_0;
static_assert(kParticleFvf == 0x20142);

constexpr int kVerticesPerParticle = 6;
constexpr int kVertexCount = kParticleCount * kVerticesPerParticle;          // 12288
constexpr int kTriangleCount = kParticleCount * 2;                           // 4096
constexpr UINT kVertexBufferBytes = kVertexCount * sizeof(ParticleVertex);  // 393216

// Copies g_particles into g_vertexBuffer (which must exist).
void FillParticleVertices();

// Writes the kVertexCount vertices of g_particles to `vertices`, front to
// back: 32 bytes a store where the processor has AVX2, 16 otherwise. Both
// run at memory speed when `vertices` is 64-byte aligned.
void WriteParticleVertices(ParticleVertex* vertices);

// The same with 16-byte stores on every processor (the tests compare the two).
void WriteParticleVerticesNarrow(ParticleVertex* vertices);
