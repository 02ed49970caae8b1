// Inside the simulation: the flow step's constants, its scalar loop (the
// reference) and its lane kernels, which give the same bits four particles at
// a time. particles.h is the interface the rest of the program uses.
#pragma once

#include "sim/particles.h"

#include <cstddef>
#include <cstdint>

constexpr float kDrift = 0.024f;
constexpr float kCoordinateScale = 3.5f;
constexpr float kMode1ExtraScale = 0.7f;
constexpr float kMode1Gain[3] = {0.0064f, 0.0056f, 0.0063f};
constexpr float kMode0Gain[3] = {0.00564f, 0.0066f, 0.0053f};

// The lane kernels take arguments of at most this size; a block with a larger
// one (or a NaN) goes through the scalar loop.
constexpr float kLaneArgumentLimit = 1024.0f;

// The scalar loop: sin and cos of each float argument in double, rounded to float.
void StepParticleRangeScalar(Particle* particles, size_t count, int flowMode);

// The lane kernels over whole blocks of four particles; the last count % 4
// particles, and any block the kernel cannot vouch for, take the scalar loop.
void StepParticleLanesSse2(Particle* particles, size_t count, int flowMode);
void StepParticleLanesAvx2(Particle* particles, size_t count, int flowMode);

// Whether this processor runs the AVX2 kernel (AVX2 and FMA).
bool CpuRunsAvx2Lanes();

// The kernels' double sine and cosine of float arguments, for the tests'
// sweeps; uncertain[i] = 1 where a kernel would hand the block to the scalar
// loop instead (a result near a halfway point between two floats, or an
// argument out of range). The last count % 4 come from libm, marked uncertain.
void LaneSinCos(FlowPath path, const float* args, size_t count, double* sines, double* cosines,
                uint8_t* uncertain);
