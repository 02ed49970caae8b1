// The particle vertex stream: the whole array, six vertices per particle,
// rewritten every frame through a discarding lock.
#include "render/vertex_stream.h"

#include "render/scene.h"

namespace {

// Corner numbers of a particle's two triangles, (0, 1, 2) and (1, 2, 3):
// corners 0 and 3 are the diagonal pair.
constexpr float kCorners[kVerticesPerParticle] = {0.0f, 1.0f, 2.0f, 1.0f, 2.0f, 3.0f};

}  // namespace

void FillParticleVertices() {
    if (g_vertexBuffer == nullptr) return;
    void* data = nullptr;
    if (g_vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD) != 0) {
        return;  // nothing new this frame; the draw uses what the buffer holds
    }

    // Front to back, every byte written: the discarded buffer holds garbage.
    auto* vertex = static_cast<ParticleVertex*>(data);
    uint32_t index = 0;
    for (const Particle& particle : g_particles) {
        float x = particle.position.x;
        float y = particle.position.y;
        float z = particle.position.z;
        float xPlusY = x + y;
        for (float corner : kCorners) {
            *vertex++ = ParticleVertex{x, y, z, index++, corner, xPlusY, 0.0f, 0.0f};
        }
    }

    g_vertexBuffer->Unlock();
}
