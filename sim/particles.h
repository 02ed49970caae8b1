// The particle array, the random source that places the particles, the
// seeding pass and the per-frame flow step.
#pragma once

#include <cstddef>
#include <cstdint>

struct Vector3 {
    float x;
    float y;
    float z;
};

struct Particle {
    Vector3 position;
    Vector3 velocity;  // constant after seeding
};

constexpr int kParticleCount = 2048;

// The small additive generator that places the particles. Its words carry on
// for the whole run: a reseed continues the sequence, it never restarts it.
struct AdditiveRandom {
    uint32_t s;
    uint32_t a;
    uint32_t b;
    bool clockRead;  // s is taken from the millisecond clock at the first draw
};

extern Particle g_particles[kParticleCount];
extern int g_particlesReady;  // 0: seed at the next frame
extern AdditiveRandom g_random;
extern int g_flowMode;        // 1: the variant with the extra 0.7 scale; 0: the other

// A draw in [-1, 1), in steps of 1/32768.
float RandomSigned();

// Places every particle from three draws and sets g_particlesReady.
void SeedParticles();

// How the flow step is computed. Every path gives the same bits: the scalar
// loop is the reference; the lane kernels take four particles at a time, in
// double-precision pairs (SSE2) or fours (AVX2 with FMA).
enum FlowPath { kFlowScalar, kFlowSse2, kFlowAvx2 };

// The fastest path this processor runs.
FlowPath FastestFlowPath();

// The path StepParticles takes: the fastest one, unless a test or benchmark
// picks another.
extern FlowPath g_flowPath;

// Moves every particle once under g_flowMode.
void StepParticles();

// The flow step over any array (the benchmark runs it over larger ones). A
// path the processor cannot run falls back to the fastest one it can.
void StepParticleRange(Particle* particles, size_t count, int flowMode, FlowPath path);

// Puts the generator back to its state at program start (tests only).
void ResetRandom();
