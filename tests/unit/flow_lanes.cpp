// The flow step's lane kernels give the scalar loop's bits: over the real
// frame sequence, for particles whose arguments sit next to a halfway point
// between two floats or beyond the kernels' range, and, underneath both, the
// kernels' sine and cosine against libm over every argument size they take.
//
// FLOWFIELD_EXHAUSTIVE=1 makes the sweep take every float up to 1024 in size
// (about a minute a kernel) instead of every 97th: it finds no argument
// whose kernel sine or cosine rounds to another float than libm's, even
// next to a halfway point.
#include "app/frame.h"
#include "platform/crt/crt.h"
#include "platform/window/window.h"
#include "render/camera.h"
#include "render/scene.h"
#include "sim/flow_lanes.h"
#include "sim/particles.h"
#include "tests/support/quiet_stdout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace {

std::vector<FlowPath> LanePaths() {
    std::vector<FlowPath> paths = {kFlowSse2};
    if (FastestFlowPath() == kFlowAvx2) paths.push_back(kFlowAvx2);
    return paths;
}

const char* PathName(FlowPath path) {
    return path == kFlowAvx2 ? "AVX2" : path == kFlowSse2 ? "SSE2" : "scalar";
}

uint32_t Bits(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

int64_t Bits(double v) {
    int64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

// >> the frame sequence

uint32_t g_clock = 0;
uint32_t TestClock() { return g_clock; }

// 64-bit fingerprint of every particle's bits.
uint64_t Fingerprint() {
    uint64_t words[sizeof g_particles / 8];
    std::memcpy(words, g_particles, sizeof words);
    uint64_t h = 0xcbf29ce484222325u;
    for (uint64_t w : words) h = (h ^ w) * 0x100000001b3u;
    return h;
}

// 20000 frames of RunFrame (two counter wraps, 28 mode flips) from a fresh
// start with the clock at `clock`; the particles' fingerprint after each.
std::vector<uint64_t> RunFrames(uint32_t clock, FlowPath path) {
    g_clock = clock;
    crt::srand(1);
    ResetRandom();
    ResetKeyState();
    g_frameCounter = 0;
    g_flowMode = 1;
    g_particlesReady = 0;
    g_cameraTarget = &g_particles[0];
    g_constants = {};
    g_flowPath = path;
    std::vector<uint64_t> prints;
    prints.reserve(20000);
    testing_support::QuietStdout quiet;
    for (int frame = 0; frame < 20000; ++frame) {
        RunFrame();
        prints.push_back(Fingerprint());
    }
    return prints;
}

TEST(FlowLanes, SameBitsAsTheScalarLoopOver20000FramesFromSeveralClocks) {
    crt::ClockSource previous = crt::SetClockSource(TestClock);
    for (uint32_t clock : {1234u, 987654321u, 4000000000u}) {
        std::vector<uint64_t> reference = RunFrames(clock, kFlowScalar);
        for (FlowPath path : LanePaths()) {
            std::vector<uint64_t> lanes = RunFrames(clock, path);
            size_t frame = 0;
            while (frame < lanes.size() && lanes[frame] == reference[frame]) ++frame;
            EXPECT_EQ(frame, reference.size())
                << PathName(path) << " kernel, clock " << clock << ": first differs at frame "
                << frame + 1;
        }
    }
    g_flowPath = FastestFlowPath();
    crt::SetClockSource(previous);
}

// >> particles with hard arguments

// Positions whose step argument (3.5 x, or 3.5 x then 0.7 in mode 1) has a
// libm sine or cosine within 2 or 3 ulps of a halfway point between two
// floats (found by searching the floats below 80), positions whose argument
// is beyond the kernels' range or not a number, and edge values.
const float kHardPositions[] = {
    0x1.8d920ep-3f,  // mode 1: sin of 0x1.e7061ep-2, 2 ulps from a halfway point
    0x1.d9e834p-6f,  // mode 0: sin of 0x1.9eab2ep-4, 3 ulps
    0x1.a38d12p+3f,  // mode 0: cos of 0x1.6f1b7p+5, 3 ulps
    0x1.c82668p+3f,  // mode 0: cos of 0x1.8f219cp+5, 2 ulps
    0x1.2bade8p+4f,  // mode 1: cos of 0x1.6f1b7p+5
    0x1.45d24cp+4f,  // mode 1: cos of 0x1.8f219cp+5
    292.57f,         // mode 0 argument 1024.0, the last in range; mode 1 well inside
    292.58f,         // mode 0 argument beyond 1024
    418.0f,          // beyond in both modes
    -1.0e6f, 3.0e38f, std::numeric_limits<float>::infinity(),
    std::numeric_limits<float>::quiet_NaN(), -0.0f, 1.0e-40f, 2.0f,
};

TEST(FlowLanes, HardParticlesTakeTheScalarLoopsValuesInEveryLane) {
    // Each hard value in turn as x, y and z of the particle in each of the
    // four lanes of a block, between ordinary particles.
    constexpr size_t kCount = 4 * 3 * std::size(kHardPositions) * 2;
    std::vector<Particle> start(kCount);
    for (size_t i = 0; i < kCount; ++i) {
        float f = static_cast<float>(i % 41) * 0.1f - 2.0f;
        start[i] = {{f, -f * 0.5f, f * 0.25f}, {f * 0.01f, 0.005f, -0.003f}};
    }
    for (size_t h = 0; h < std::size(kHardPositions); ++h) {
        for (size_t axis = 0; axis < 3; ++axis) {
            size_t i = (h * 3 + axis) * 8 + (h + axis) % 4;
            float* position = &start[i].position.x;
            position[axis] = kHardPositions[h];
            start[i].velocity = {0.0f, 0.0f, 0.0f};
        }
    }
    for (int mode : {1, 0}) {
        std::vector<Particle> reference = start;
        StepParticleRange(reference.data(), kCount, mode, kFlowScalar);
        for (FlowPath path : LanePaths()) {
            std::vector<Particle> lanes = start;
            StepParticleRange(lanes.data(), kCount, mode, path);
            for (size_t i = 0; i < kCount; ++i) {
                EXPECT_EQ(std::memcmp(&lanes[i], &reference[i], sizeof(Particle)), 0)
                    << PathName(path) << " kernel, mode " << mode << ", particle " << i
                    << " at (" << start[i].position.x << ", " << start[i].position.y << ", "
                    << start[i].position.z << ")";
            }
        }
    }
}

// >> the kernels' sine and cosine

// Arguments a kernel must hand to libm: near a halfway point (from the table
// above: with libm within 3 ulps of one, ours is within 10) or out of range.
const float kMustBeUncertain[] = {
    0x1.e7061ep-2f, 0x1.9eab2ep-4f, 0x1.6f1b7p+5f, 0x1.8f219cp+5f, 0x1.000002p+10f, -2000.0f,
    1.0e30f, std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
    std::numeric_limits<float>::quiet_NaN(),
};

// Arguments with a hard reduction: the floats next to the multiples of pi/2
// below 1024, either sign; and edge values.
std::vector<float> HardArguments() {
    std::vector<float> args = {0.0f, -0.0f, 1.0e-45f, 1.0e-40f, 1.17549435e-38f, 1.0e-20f,
                               1024.0f, -1024.0f};
    for (int m = 1; m * 1.5707963267948966 < kLaneArgumentLimit; ++m) {
        float nearest = static_cast<float>(m * 1.5707963267948966);
        for (float v : {std::nextafter(nearest, 0.0f), nearest, std::nextafter(nearest, 2048.0f)}) {
            args.push_back(v);
            args.push_back(-v);
        }
    }
    return args;
}

// Every stride-th float from `first` (as bits) up to 1024, either sign, at
// most `limit` of them.
std::vector<float> SweepArguments(uint64_t first, uint32_t stride, size_t limit) {
    std::vector<float> args;
    for (uint64_t bits = first; bits <= Bits(kLaneArgumentLimit) && args.size() < limit;
         bits += stride) {
        uint32_t b = static_cast<uint32_t>(bits);
        float v;
        std::memcpy(&v, &b, sizeof v);
        args.push_back(v);
        args.push_back(-v);
    }
    return args;
}

TEST(FlowLanes, KernelSinesAndCosinesRoundLikeLibmWhereverTheKernelVouchesForThem) {
    const char* exhaustive = std::getenv("FLOWFIELD_EXHAUSTIVE");
    uint32_t stride = (exhaustive != nullptr && std::strcmp(exhaustive, "1") == 0) ? 1 : 97;
    constexpr size_t kChunk = 1 << 16;

    for (FlowPath path : LanePaths()) {
        size_t checked = 0, uncertainCount = 0, mismatches = 0;
        int64_t worstUlps = 0;
        float worstArgument = 0.0f;
        std::vector<double> sines, cosines;
        std::vector<uint8_t> uncertain;

        std::vector<float> args = HardArguments();
        const uint64_t step = uint64_t{stride} * kChunk;
        for (uint64_t first = 0; first <= Bits(kLaneArgumentLimit); first += step) {
            if (first > 0) args.clear();
            std::vector<float> sweep = SweepArguments(first, stride, 2 * kChunk);
            args.insert(args.end(), sweep.begin(), sweep.end());
            sines.resize(args.size());
            cosines.resize(args.size());
            uncertain.resize(args.size());
            LaneSinCos(path, args.data(), args.size(), sines.data(), cosines.data(),
                       uncertain.data());
            for (size_t i = 0; i < args.size(); ++i) {
                ++checked;
                // Lanes near a halfway point go to libm, but the kernel's
                // values round like libm's there too (every argument up to
                // 1024 of either sign, for both kernels, when exhaustive):
                // the window is a margin, not a need.
                if (uncertain[i] != 0) ++uncertainCount;
                double x = args[i];
                double libm[2] = {std::sin(x), std::cos(x)};
                double ours[2] = {sines[i], cosines[i]};
                for (int f = 0; f < 2; ++f) {
                    // Same sign, so the distance of the bit patterns counts ulps.
                    int64_t ulps = std::signbit(ours[f]) == std::signbit(libm[f])
                                       ? std::llabs(Bits(ours[f]) - Bits(libm[f]))
                                       : std::numeric_limits<int64_t>::max();
                    if (ulps > worstUlps) {
                        worstUlps = ulps;
                        worstArgument = args[i];
                    }
                    if (Bits(static_cast<float>(ours[f])) != Bits(static_cast<float>(libm[f]))) {
                        ++mismatches;
                    }
                }
            }
        }
        EXPECT_EQ(mismatches, 0u) << PathName(path);
        // The bound the window rests on: ours within 6 ulps of the exact
        // value, libm's within 1 (the window needs under 16).
        EXPECT_LE(worstUlps, 7) << PathName(path) << " at " << worstArgument;
        // The window catches about one result in 16 million: many more would
        // mean the kernel hands everything to libm and this test proves nothing.
        EXPECT_LE(uncertainCount, 64 + checked / 1000000) << PathName(path);

        std::vector<float> must(std::begin(kMustBeUncertain), std::end(kMustBeUncertain));
        while (must.size() % 4 != 0) must.push_back(1.0f);
        sines.resize(must.size());
        cosines.resize(must.size());
        uncertain.resize(must.size());
        LaneSinCos(path, must.data(), must.size(), sines.data(), cosines.data(), uncertain.data());
        for (size_t i = 0; i < std::size(kMustBeUncertain); ++i) {
            EXPECT_EQ(uncertain[i], 1) << PathName(path) << ": argument " << must[i];
        }
        std::printf("%s kernel: %zu arguments, %zu uncertain, at most %lld ulps from libm\n",
                    PathName(path), checked, uncertainCount, static_cast<long long>(worstUlps));
    }
}

}  // namespace
