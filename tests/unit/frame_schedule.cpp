// The frame sequence: counter, wrap, flow-mode flips, camera-target picks and
// the function keys, driven through RunFrame with a recording device.
#include "app/frame.h"
#include "platform/crt/crt.h"
#include "platform/window/window.h"
#include "render/camera.h"
#include "render/scene.h"
#include "render/vertex_stream.h"
#include "sim/particles.h"
#include "tests/support/recording_device.h"
#include "tests/support/quiet_stdout.h"

#include <gtest/gtest.h>


#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using testing_support::RecordingDevice;

using testing_support::QuietStdout;

uint32_t FixedClock() { return 1234u; }

// The first values of the fixed rand() generator from state 1, and its 26th.
constexpr int kFirstRand[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
constexpr int kTwentySixthRand = 12382;

class FrameScheduleTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousClock_ = crt::SetClockSource(FixedClock);
        crt::srand(1);
        ResetRandom();
        ResetKeyState();
        g_frameCounter = 0;
        g_flowMode = 1;
        g_particlesReady = 0;
        g_cameraTarget = &g_particles[0];
        g_constants = {};
        g_device = &device_;
    }
    void TearDown() override {
        ReleaseScene();
        g_device = nullptr;
        ResetKeyState();
        crt::SetClockSource(previousClock_);
    }

    // Per frame: the counter, the mode and the target seen after it.
    struct FrameRecord {
        int counter;
        int mode;
        int target;
        bool seeded;
    };

    std::vector<FrameRecord> Run(int frames) {
        std::vector<FrameRecord> records;
        records.reserve(frames);
        QuietStdout quiet;
        for (int i = 0; i < frames; ++i) {
            uint32_t before = g_random.s;
            RunFrame();
            records.push_back({g_frameCounter, g_flowMode,
                               static_cast<int>(g_cameraTarget - g_particles),
                               g_random.s != before});
        }
        return records;
    }

    // Each InitScene makes one particle buffer (the error text's font, drawn
    // while no main.fx loads, makes buffers of its own).
    int InitSceneCalls() const {
        return static_cast<int>(std::count(device_.bufferLengths.begin(),
                                           device_.bufferLengths.end(), kVertexBufferBytes));
    }

    RecordingDevice device_;
    crt::ClockSource previousClock_ = nullptr;
};

TEST_F(FrameScheduleTest, FirstFramePrintsOneSeedsAndKeepsParticleZero) {
    testing::internal::CaptureStdout();
    RunFrame();
    RunFrame();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("counter = 1\ncounter = 2\n"), std::string::npos) << out;
    EXPECT_EQ(g_particlesReady, 1);
    EXPECT_EQ(g_cameraTarget, &g_particles[0]);
    EXPECT_EQ(g_flowMode, 1);
}

TEST_F(FrameScheduleTest, CounterRunsOneTo9000ThenZeroTo9000) {
    auto frames = Run(9000 + 9001 + 9001);
    for (int i = 0; i < 9000; ++i) ASSERT_EQ(frames[i].counter, i + 1) << "frame " << i + 1;
    for (int cycle = 0; cycle < 2; ++cycle) {
        for (int i = 0; i <= 9000; ++i) {
            ASSERT_EQ(frames[9000 + cycle * 9001 + i].counter, i);
        }
    }

    // Seeding happens on the first frame and on each wrap, nowhere else.
    std::vector<int> seeded;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].seeded) seeded.push_back(static_cast<int>(i) + 1);
    }
    EXPECT_EQ(seeded, (std::vector<int>{1, 9001, 18002}));
}

TEST_F(FrameScheduleTest, ModeFlipsTwelveTimesInTheFirstCycleThirteenAfter) {
    auto frames = Run(9000 + 9001);
    int flipsFirst = 0, flipsSecond = 0;
    int mode = 1;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].mode != mode) {
            EXPECT_EQ(frames[i].counter % 700, 0) << "flip at counter " << frames[i].counter;
            (i < 9000 ? flipsFirst : flipsSecond)++;
            mode = frames[i].mode;
        }
    }
    EXPECT_EQ(flipsFirst, 12);
    EXPECT_EQ(flipsSecond, 13);
    // Each cycle starts in the mode opposite to the one before.
    EXPECT_NE(frames[0].mode, frames[9000].mode);
}

TEST_F(FrameScheduleTest, TargetIsPickedEvery360FramesStartingWithParticle41) {
    auto frames = Run(9001);
    EXPECT_EQ(frames[358].target, 0);
    EXPECT_EQ(frames[359].target, kFirstRand[0] % kParticleCount);  // counter 360
    EXPECT_EQ(frames[719].target, kFirstRand[1] % kParticleCount);  // counter 720
    EXPECT_EQ(frames[1079].target, kFirstRand[2] % kParticleCount);

    // 25 picks up to counter 9000, then one more at counter 0 right after:
    // the generator has given exactly 26 values.
    EXPECT_EQ(frames[9000].counter, 0);
    EXPECT_EQ(frames[9000].target, kTwentySixthRand % kParticleCount);
}

TEST_F(FrameScheduleTest, RandGivesTheFixedSequenceInFifteenBits) {
    for (int expected : kFirstRand) EXPECT_EQ(crt::rand(), expected);
    int highest = 0;
    for (int i = 0; i < 100000; ++i) {
        int value = crt::rand();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32767);
        highest = std::max(highest, value);
    }
    EXPECT_GE(highest, 32760);  // the whole range is reached
}

TEST_F(FrameScheduleTest, TheFlipFrameAlreadyStepsInTheNewMode) {
    // The mode flips before the step: frame 700 moves the particles in mode 0.
    Run(698);
    static Particle expected[kParticleCount];
    for (int mode : {1, 0, 0}) {  // frames 699, 700, 701
        std::memcpy(expected, g_particles, sizeof(expected));
        StepParticleRange(expected, kParticleCount, mode, kFlowScalar);
        Run(1);
        EXPECT_EQ(std::memcmp(expected, g_particles, sizeof(expected)), 0)
            << "counter " << g_frameCounter << " should step in mode " << mode;
    }
}

TEST_F(FrameScheduleTest, F4RebuildsReseedsFlipsAndRepicks) {
    Run(100);
    int modeBefore = g_flowMode;
    int scenesBefore = InitSceneCalls();

    FeedKeyEvent(VK_F4, true);
    FeedKeyEvent(VK_F4, false);  // released before the frame: still counts once
    auto frame = Run(1)[0];

    EXPECT_EQ(frame.counter, 0);
    EXPECT_TRUE(frame.seeded);
    EXPECT_NE(frame.mode, modeBefore);
    EXPECT_EQ(frame.target, kFirstRand[0] % kParticleCount);
    EXPECT_EQ(InitSceneCalls(), scenesBefore + 1);

    // The press has been consumed: the next frame counts on.
    auto next = Run(1)[0];
    EXPECT_EQ(next.counter, 1);
    EXPECT_FALSE(next.seeded);
    EXPECT_EQ(InitSceneCalls(), scenesBefore + 1);
}

TEST_F(FrameScheduleTest, F5RebuildsTheSceneOnlyAndHoldingRepeats) {
    Run(10);
    int scenesBefore = InitSceneCalls();

    FeedKeyEvent(VK_F5, true);  // held across three frames
    auto held = Run(3);
    FeedKeyEvent(VK_F5, false);
    Run(1);

    EXPECT_EQ(InitSceneCalls(), scenesBefore + 3);
    EXPECT_EQ(held[0].counter, 11);  // F5 leaves the counter and particles alone
    EXPECT_FALSE(held[0].seeded);
}

TEST_F(FrameScheduleTest, F5AndF4TogetherBuildTheSceneTwice) {
    Run(5);
    int scenesBefore = InitSceneCalls();
    FeedKeyEvent(VK_F5, true);
    FeedKeyEvent(VK_F4, true);
    FeedKeyEvent(VK_F5, false);
    FeedKeyEvent(VK_F4, false);
    auto frame = Run(1)[0];
    EXPECT_EQ(InitSceneCalls(), scenesBefore + 2);
    EXPECT_EQ(frame.counter, 0);
}

TEST_F(FrameScheduleTest, FramesRunWithoutAnyEffect) {
    // No main.fx in reach and no scene at all: frames still count and step.
    float xBefore = 0.0f;
    Run(1);
    xBefore = g_particles[7].position.x;
    testing::internal::CaptureStdout();
    RunFrame();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("counter = 2\n"), std::string::npos);
    EXPECT_NE(g_particles[7].position.x, xBefore);
}

}  // namespace

namespace {

// Faster than x1 only one frame of a presented frame's is drawn: the others
// must leave the particles, the counter, the target and the shader time
// exactly as drawing them would.
TEST_F(FrameScheduleTest, FramesRunButNotDrawnLeaveTheSameState) {
    auto state = [&](int drawEvery) {
        SetUp();
        g_vertexBuffer = new testing_support::RecordingVertexBuffer(&device_.log, &device_.results,
                                                                    kVertexBufferBytes);
        g_effect = new testing_support::FakeEffect(&device_.log, &device_.results);
        device_.log.Clear();
        QuietStdout quiet;
        for (int frame = 1; frame <= 800; ++frame) {
            g_drawFrame = frame % drawEvery == 0;
            RunFrame();
        }
        g_drawFrame = true;
        EXPECT_EQ(device_.log.Count("DrawPrimitive"), 800 / drawEvery);
        std::vector<float> state(reinterpret_cast<const float*>(g_particles),
                                 reinterpret_cast<const float*>(g_particles + kParticleCount));
        state.insert(state.end(), &g_constants.c[0][0], &g_constants.c[8][0]);
        state.push_back(static_cast<float>(g_frameCounter));
        state.push_back(static_cast<float>(g_cameraTarget - g_particles));
        state.push_back(static_cast<float>(g_flowMode));
        TearDown();
        return state;
    };
    std::vector<float> everyFrameDrawn = state(1);
    EXPECT_GT(everyFrameDrawn[kParticleCount * 6], 800 * 0.0166f) << "the shader time moved";
    EXPECT_EQ(state(8), everyFrameDrawn);
}

}  // namespace
