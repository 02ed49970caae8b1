// The particle vertex stream: the whole array, six vertices per particle,
// rewritten every frame through a discarding lock.
#include "render/vertex_stream.h"

#include "render/scene.h"

#include <bit>
#include <cstring>

namespace {

// Corner numbers of a particle's two triangles, (0, 1, 2) and (1, 2, 3):
// corners 0 and 3 are the diagonal pair.
constexpr float kCorners[kVerticesPerParticle] = {0.0f, 1.0f, 2.0f, 1.0f, 2.0f, 3.0f};

// A vertex as eight 32-bit words, in the order of ParticleVertex.
using Words4 = uint32_t __attribute__((vector_size(16)));
using Words8 = uint32_t __attribute__((vector_size(32)));
static_assert(sizeof(Words8) == sizeof(ParticleVertex));

// Vertex k of a particle is its first vertex (index word j, corner word 0)
// plus (0, 0, 0, k, bits of corner k, 0, 0, 0): the sum's words are the index
// j + k and the corner number, and every other word is unchanged.
constexpr uint32_t CornerBits(int k) { return std::bit_cast<uint32_t>(kCorners[k]); }

uint32_t Bits(float v) { return std::bit_cast<uint32_t>(v); }

void WriteVertices16(ParticleVertex* vertices) {
    auto* out = reinterpret_cast<unsigned char*>(vertices);
    uint32_t index = 0;
    for (const Particle& particle : g_particles) {
        float x = particle.position.x;
        float y = particle.position.y;
        float z = particle.position.z;
        Words4 low = {Bits(x), Bits(y), Bits(z), index};
        Words4 high = {0, Bits(x + y), 0, 0};
#pragma GCC unroll 6
        for (uint32_t k = 0; k < kVerticesPerParticle; ++k) {
            Words4 front = low + Words4{0, 0, 0, k};
            Words4 back = high + Words4{CornerBits(static_cast<int>(k)), 0, 0, 0};
            std::memcpy(out, &front, sizeof front);
            std::memcpy(out + sizeof front, &back, sizeof back);
            out += sizeof(ParticleVertex);
        }
        index += kVerticesPerParticle;
    }
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) void WriteVertices32(ParticleVertex* vertices) {
    auto* out = reinterpret_cast<unsigned char*>(vertices);
    uint32_t index = 0;
    for (const Particle& particle : g_particles) {
        float x = particle.position.x;
        float y = particle.position.y;
        float z = particle.position.z;
        Words8 first = {Bits(x), Bits(y), Bits(z), index, 0, Bits(x + y), 0, 0};
#pragma GCC unroll 6
        for (uint32_t k = 0; k < kVerticesPerParticle; ++k) {
            Words8 vertex = first + Words8{0, 0, 0, k, CornerBits(static_cast<int>(k)), 0, 0, 0};
            std::memcpy(out, &vertex, sizeof vertex);
            out += sizeof vertex;
        }
        index += kVerticesPerParticle;
    }
}

bool CpuHasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
#endif

}  // namespace

void WriteParticleVerticesNarrow(ParticleVertex* vertices) { WriteVertices16(vertices); }

void WriteParticleVertices(ParticleVertex* vertices) {
#if defined(__x86_64__)
    static const bool wide = CpuHasAvx2();
    if (wide) {
        WriteVertices32(vertices);
        return;
    }
#endif
    WriteVertices16(vertices);
}

void FillParticleVertices() {
    if (g_vertexBuffer == nullptr) return;
    void* data = nullptr;
    if (g_vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD) != 0) {
        return;  // nothing new this frame; the draw uses what the buffer holds
    }

    // Front to back, every byte written: the discarded buffer holds garbage.
    WriteParticleVertices(static_cast<ParticleVertex*>(data));

    g_vertexBuffer->Unlock();
}
