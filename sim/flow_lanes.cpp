// The flow step four particles at a time, giving the scalar loop's bits.
//
// Why the bits are the same. The scalar loop rounds libm's double sin or cos
// of a float argument to float. The lane kernels compute those doubles in
// another way, within a known error, and round them to float too. Two doubles
// can round to different floats only if a point halfway between two floats
// lies between them or on one of them. libm's sin and cos are within 1 ulp of
// the exact value (the glibc manual's table of known errors) and ours within
// 3 ulps (below), so wherever our double lies more than 4 ulps from every
// halfway point, both round to the same float. A kernel marks the lanes that
// come within kHalfwayWindow = 16 ulps of one, and lanes whose argument is
// beyond kLaneArgumentLimit (or not a number), and hands their block of four
// particles to the scalar loop, which takes libm's values. A double result
// falls in the window for about one lane in sixteen million.
//
// Our error, for float arguments |x| <= 1024, counted in ulps of the double
// result (1 ulp = 2^-52 relative at most, 2^-53 at least):
// 1. Reduction. k is the integer nearest x / pi (nearest x / pi - 1/2 for a
//    cosine), m = 2k (2k + 1), r = x - m pi/2, |r| <= pi/2 + 2^-40.
//    pi/2 = H + M + L, H and M of 33 significant bits, L of 53, so m H and
//    m M are exact (|m| < 2^11), x - m H is exact (both are multiples of 2^-32
//    below 2; for a cosine's m = +-1 with |x| < 1/2 it is within 2^-53 at a
//    result near +-1, whose slope there is about x), and the two other steps
//    round at most twice: |r' - r| <= 2^-52 |r| + 2^-111. Over the floats in
//    range, |r| >= 2^-27.8 (the float 252.8982 is that close to 161 pi/2), so
//    r' is within 2^-52 |r| (1 + 2^-30): 1 ulp of r. sin has slope cos r and
//    r cot r <= 1, so this moves sin r by at most 1 ulp of the result.
// 2. Polynomial. sin r = r + r^3 P(r^2) with P of degree 7, fitted on
//    |r| <= pi/2 + 2^-30: the approximation is within 2^-54.6 of sin r
//    relative (0.4 ulp). Evaluated in double by Horner's rule, r z P has at
//    most 4 roundings' error relative to itself, and |r z P| <= 0.58 |sin r|
//    (at r = pi/2), which is at most 1.2 ulps of the result; the last addition
//    rounds once more (0.5 ulp).
// Together at most 3.1 ulps, and the sweeps in tests/unit/flow_lanes.cpp
// (every float up to 1024 on request) find at most 2 from libm. A fused
// multiply-add (the AVX2 kernel) only leaves out roundings, so the same bound
// holds for both kernels.
//
// The float part of the step (drift, scaling, the displacement) is the
// scalar loop's float arithmetic, four lanes at a time, in the same order.
#include "sim/flow_lanes.h"

#include <cmath>
#include <cstring>

#if defined(__x86_64__)

#include <immintrin.h>

namespace {

using F4 = float __attribute__((vector_size(16)));
using I4F = int32_t __attribute__((vector_size(16)));
using D4 = double __attribute__((vector_size(32)));
using U4 = uint64_t __attribute__((vector_size(32)));

// pi/2 = kHalfPiHigh + kHalfPiMiddle + kHalfPiLow to 2^-122.
constexpr double kHalfPiHigh = 0x1.921fb544p+0;     // 33 significant bits
constexpr double kHalfPiMiddle = 0x1.0b4611a6p-34;  // 33 significant bits
constexpr double kHalfPiLow = 0x1.3198a2e037073p-69;
constexpr double kInversePi = 0x1.45f306dc9c883p-2;
constexpr double kRoundingShift = 0x1.8p52;  // x + 1.5 * 2^52 rounds x to an integer

// P(z) for sin r = r + r^3 P(r^2): a Chebyshev fit of (sin r - r) / r^3 in z
// on [0, (pi/2 + 2^-30)^2], rounded to double.
constexpr double kSinCoefficients[8] = {
    -0x1.5555555555555p-3, 0x1.1111111111107p-7,   -0x1.a01a01a018aadp-13,
    0x1.71de3a5456716p-19, -0x1.ae6455a1d7086p-26, 0x1.6124015b5eddfp-33,
    -0x1.ae5138c11f9acp-41, 0x1.89a4866f18958p-49,
};

constexpr uint64_t kSignBit = uint64_t{1} << 63;
constexpr uint64_t kLowBits = (uint64_t{1} << 29) - 1;  // the 29 bits below a float's last place
constexpr uint64_t kHalfwayBits = uint64_t{1} << 28;    // those bits at a halfway point
constexpr uint64_t kHalfwayWindow = 16;

inline F4 Abs(F4 v) {
    return reinterpret_cast<F4>(reinterpret_cast<I4F>(v) & I4F{0x7fffffff, 0x7fffffff, 0x7fffffff,
                                                               0x7fffffff});
}

}  // namespace

// The float arithmetic below must not be fused: the build passes
// -ffp-contract=off, and the kernels fuse only where they say so.
// 32-byte vectors in the SSE2 kernel never cross this file's boundary, so the
// ABI note about passing them without AVX does not apply (GCC reports it at
// the end of the file, hence no pop).
#pragma GCC diagnostic ignored "-Wpsabi"

#pragma GCC push_options
#pragma GCC target("avx2,fma")
#define FLOW_LANES_FUSED 1
namespace avx2_lanes {
namespace {
#include "sim/flow_lanes.inc"
}  // namespace
}  // namespace avx2_lanes
#undef FLOW_LANES_FUSED
#pragma GCC pop_options

#define FLOW_LANES_FUSED 0
namespace sse2_lanes {
namespace {
#include "sim/flow_lanes.inc"
}  // namespace
}  // namespace sse2_lanes
#undef FLOW_LANES_FUSED

bool CpuRunsAvx2Lanes() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}

void StepParticleLanesAvx2(Particle* particles, size_t count, int flowMode) {
    avx2_lanes::StepBlocks(particles, count / 4, flowMode);
    StepParticleRangeScalar(particles + count / 4 * 4, count % 4, flowMode);
}

void StepParticleLanesSse2(Particle* particles, size_t count, int flowMode) {
    sse2_lanes::StepBlocks(particles, count / 4, flowMode);
    StepParticleRangeScalar(particles + count / 4 * 4, count % 4, flowMode);
}

void LaneSinCos(FlowPath path, const float* args, size_t count, double* sines, double* cosines,
                uint8_t* uncertain) {
    size_t blocks = count / 4;
    if (path == kFlowAvx2 && CpuRunsAvx2Lanes()) {
        avx2_lanes::SinCosBlocks(args, blocks, sines, cosines, uncertain);
    } else {
        sse2_lanes::SinCosBlocks(args, blocks, sines, cosines, uncertain);
    }
    for (size_t i = blocks * 4; i < count; ++i) {
        sines[i] = std::sin(static_cast<double>(args[i]));
        cosines[i] = std::cos(static_cast<double>(args[i]));
        uncertain[i] = 1;
    }
}

#else  // no lane kernels on this processor: the scalar loop serves every path

bool CpuRunsAvx2Lanes() { return false; }

void StepParticleLanesAvx2(Particle* particles, size_t count, int flowMode) {
    StepParticleRangeScalar(particles, count, flowMode);
}

void StepParticleLanesSse2(Particle* particles, size_t count, int flowMode) {
    StepParticleRangeScalar(particles, count, flowMode);
}

void LaneSinCos(FlowPath, const float* args, size_t count, double* sines, double* cosines,
                uint8_t* uncertain) {
    for (size_t i = 0; i < count; ++i) {
        sines[i] = std::sin(static_cast<double>(args[i]));
        cosines[i] = std::cos(static_cast<double>(args[i]));
        uncertain[i] = 1;
    }
}

#endif
