#include "sim/particles.h"

#include "platform/crt/crt.h"
#include "sim/flow_lanes.h"

#include <cmath>

Particle g_particles[kParticleCount];
int g_particlesReady = 0;
int g_flowMode = 1;

namespace {

constexpr uint32_t kRandomA = 8012345u;
constexpr uint32_t kRandomB = 8345678u;

constexpr float kSeedPositionScale = 2.0f;
constexpr float kSeedVelocityScale = 0.01f;

// sin and cos in double precision of the float argument, rounded to float.
inline float Sin(float v) { return static_cast<float>(std::sin(static_cast<double>(v))); }
inline float Cos(float v) { return static_cast<float>(std::cos(static_cast<double>(v))); }

}  // namespace

AdditiveRandom g_random = {0u, kRandomA, kRandomB, false};

void ResetRandom() { g_random = {0u, kRandomA, kRandomB, false}; }

float RandomSigned() {
    // The clock starts the sequence once per run, at the very first draw.
    if (!g_random.clockRead) {
        g_random.clockRead = true;
        g_random.s = crt::timeGetTime();
    }

    // Each word grows by the old value of the next: b by the a of before.
    uint32_t oldA = g_random.a;
    g_random.s += g_random.b;
    g_random.a += g_random.s;
    g_random.b += oldA;

    // The top 16 bits of s as a signed value, scaled to [-1, 1).
    int32_t top = static_cast<int32_t>(g_random.s) >> 16;
    return static_cast<float>(top) * 0.000030517578125f;
}

void SeedParticles() {
    for (Particle& p : g_particles) {
        float r1 = RandomSigned();
        float r2 = RandomSigned();
        float r3 = RandomSigned();

        // The third draw is x, the first z.
        p.position = {r3 * kSeedPositionScale, r2 * kSeedPositionScale, r1 * kSeedPositionScale};
        p.velocity = {r3 * kSeedVelocityScale, r2 * kSeedVelocityScale, r1 * kSeedVelocityScale};
    }
    g_particlesReady = 1;
}

void StepParticleRangeScalar(Particle* particles, size_t count, int flowMode) {
    for (size_t i = 0; i < count; ++i) {
        Particle& p = particles[i];

        // Drift along the particle's own velocity; written back first.
        float x1 = p.position.x + p.velocity.x * kDrift;
        float y1 = p.position.y + p.velocity.y * kDrift;
        float z1 = p.position.z + p.velocity.z * kDrift;

        // Scaled coordinates; mode 1 scales again by 0.7 (3.5 first, then 0.7).
        float X = x1 * kCoordinateScale;
        float Y = y1 * kCoordinateScale;
        float Z = z1 * kCoordinateScale;
        if (flowMode != 0) {
            X *= kMode1ExtraScale;
            Y *= kMode1ExtraScale;
            Z *= kMode1ExtraScale;
        }

        // Displacement: every component from the same x1..z1 and X..Z.
        if (flowMode != 0) {
            float cosZ = Cos(Z);
            float sinY = Sin(Y);
            float sinX = Sin(X);
            float cosX = Cos(X);
            p.position.x = x1 + (cosZ - sinY) * kMode1Gain[0];
            p.position.y = y1 + (cosZ - sinX) * kMode1Gain[1];
            p.position.z = z1 + (sinY - cosX) * kMode1Gain[2];
        } else {
            float cosZ = Cos(Z);
            float sinX = Sin(X);
            float sinY = Sin(Y);
            float cosY = Cos(Y);
            p.position.x = x1 - (cosZ - sinX) * kMode0Gain[0];
            p.position.y = y1 - (cosZ - sinY) * kMode0Gain[1];
            p.position.z = z1 - (cosY - sinX) * kMode0Gain[2];
        }
    }
}

FlowPath FastestFlowPath() {
    static const FlowPath fastest = CpuRunsAvx2Lanes() ? kFlowAvx2 : kFlowSse2;
    return fastest;
}

FlowPath g_flowPath = FastestFlowPath();

void StepParticleRange(Particle* particles, size_t count, int flowMode, FlowPath path) {
    if (path > FastestFlowPath()) path = FastestFlowPath();
    switch (path) {
        case kFlowAvx2: StepParticleLanesAvx2(particles, count, flowMode); break;
        case kFlowSse2: StepParticleLanesSse2(particles, count, flowMode); break;
        default: StepParticleRangeScalar(particles, count, flowMode); break;
    }
}

void StepParticles() { StepParticleRange(g_particles, kParticleCount, g_flowMode, g_flowPath); }
