// The flow step four particles at a time, giving the scalar loop's bits.
//
// Why the bits are the same. The scalar loop rounds libm's double sin or cos
// of a float argument to float. The lane kernels compute those doubles in
// another way and round them to float too. Rounding is monotonic, so two
// doubles D ulps apart can round to different floats only if a point halfway
// between two floats lies within D ulps of either. A kernel marks the lanes
// whose double lies within kHalfwayWindow = 16 ulps of a halfway point, and
// the lanes whose argument is beyond kLaneArgumentLimit (or not a number),
// and hands their block of four particles to the scalar loop, which takes
// libm's values. Every other lane rounds like libm's double as long as ours
// is less than 16 ulps from it: ours is within 6 ulps of the exact value
// (below) and glibc's sin and cos within 1, and the sweep in
// tests/unit/flow_lanes.cpp, which takes every float up to 1024 on request,
// finds the two at most 2 ulps apart. About one result in sixteen million
// falls in the window. The same sweep finds no argument, in the window or
// not, of either sign, where the two round to different floats, for both
// kernels: the window is a margin (for another libm, or a changed kernel),
// and no result today depends on one of its checks.
//
// Our error, for float arguments |x| <= 1024, with u = 2^-53 (a result's ulp
// is at least u times the result):
// 1. Reduction. k is the integer nearest |x| / pi (nearest x / pi - 1/2 for a
//    cosine), m = 2k (2k + 1), r = |x| - m pi/2 (x - m pi/2), |r| <= pi/2 +
//    2^-40. pi/2 = H + M + L to 2^-122, H and M of 33 significant bits, so
//    m H and m M are exact (|m| < 2^10). x - m H is exact: where m is not 0
//    both are multiples of 2^-32 and their difference is below 2 (except for
//    a cosine's m = +-1 with |x| < 2^-9, where the error of 2^-53 meets a
//    result near +-1 whose slope is x). Subtracting m M is exact below 2^-13
//    and rounds once above; the last step rounds twice (once fused). So
//    |r' - r| <= 2u |r| + 2^-110, and as no float in range comes closer to a
//    multiple of pi/2 than 2^-27.8 (252.8982 to 161 pi/2), r' is within
//    2u |r| (1 + 2^-30) of r. sin has slope cos r and r cot r <= 1: at most
//    2u relative in the result.
// 2. Polynomial. sin r = r + r z P(z), z = r^2, P of degree 7 fitted on
//    |r| <= pi/2 + 2^-30: within 2^-54.6 = 0.33u of sin r, relative.
//    Evaluating z, r z, P by Horner's rule and their product costs at most
//    4.5u relative to r z P, and |r z P| <= 0.571 |sin r| (the most at
//    r = pi/2): 2.6u of the result. The last addition rounds once: u.
// Together at most 5.9u relative, under 6 ulps. A fused multiply-add (the
// AVX2 kernel) only leaves out roundings, so the bound holds for both.
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
