// The particle random source, the seeding pass and the flow step.
#include "platform/crt/crt.h"
#include "sim/particles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

uint32_t g_fakeClock = 0;
int g_clockReads = 0;

uint32_t FakeClock() {
    ++g_clockReads;
    return g_fakeClock;
}

class ParticlesTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousClock_ = crt::SetClockSource(FakeClock);
        g_clockReads = 0;
        g_fakeClock = 0;
        ResetRandom();
        std::memset(g_particles, 0, sizeof(g_particles));
        g_particlesReady = 0;
        g_flowMode = 1;
    }
    void TearDown() override { crt::SetClockSource(previousClock_); }

    crt::ClockSource previousClock_ = nullptr;
};

TEST_F(ParticlesTest, FirstDrawStartsFromTheClock) {
    const uint32_t T = 123456789u;
    g_fakeClock = T;
    float r = RandomSigned();

    const uint32_t s = T + 8345678u;
    EXPECT_EQ(g_random.s, s);
    EXPECT_EQ(g_random.a, 8012345u + s);
    EXPECT_EQ(g_random.b, 8345678u + 8012345u);  // b grows by the old a
    EXPECT_EQ(r, static_cast<float>(static_cast<int32_t>(s) >> 16) / 32768.0f);
}

TEST_F(ParticlesTest, WordsWrapAndSignExtend) {
    // A clock value that makes s negative as a signed word.
    g_fakeClock = 0xFFFF0000u;
    float r = RandomSigned();
    uint32_t s = 0xFFFF0000u + 8345678u;  // wraps past 2^32
    EXPECT_EQ(g_random.s, s);
    EXPECT_EQ(r, static_cast<float>(static_cast<int32_t>(s) >> 16) / 32768.0f);

    g_fakeClock = 0x7FFFFFFFu;
    ResetRandom();
    EXPECT_LT(RandomSigned(), 0.0f);  // 0x7FFFFFFF + 8345678 is negative as int32
}

TEST_F(ParticlesTest, EveryDrawIsAStepOf1Over32768InRange) {
    g_fakeClock = 987654u;
    float lowest = 1.0f, highest = -1.0f;
    for (int i = 0; i < 200000; ++i) {
        float r = RandomSigned();
        ASSERT_GE(r, -1.0f);
        ASSERT_LT(r, 1.0f);
        float steps = r * 32768.0f;
        ASSERT_EQ(steps, std::floor(steps)) << "draw " << i << " = " << r;
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    // The draws cover the range, not a corner of it.
    EXPECT_LT(lowest, -0.99f);
    EXPECT_GT(highest, 0.99f);
}

TEST_F(ParticlesTest, ClockIsReadOncePerRunNeverOnReseed) {
    g_fakeClock = 42u;
    SeedParticles();
    EXPECT_EQ(g_clockReads, 1);
    SeedParticles();
    SeedParticles();
    EXPECT_EQ(g_clockReads, 1);
}

TEST_F(ParticlesTest, SeedingPlacesEveryParticleAndContinuesTheSequence) {
    g_fakeClock = 5000u;
    SeedParticles();
    EXPECT_EQ(g_particlesReady, 1);

    static Particle first[kParticleCount];
    std::memcpy(first, g_particles, sizeof(first));

    int outsideCube = 0;
    int velocityMismatch = 0;
    for (const Particle& p : first) {
        for (float c : {p.position.x, p.position.y, p.position.z}) {
            if (c < -2.0f || c >= 2.0f) ++outsideCube;
        }
        // Velocity points the same way as the position: 0.01 / 2 of it.
        if (std::fabs(p.velocity.x - p.position.x * 0.005f) > 1e-7f ||
            std::fabs(p.velocity.y - p.position.y * 0.005f) > 1e-7f ||
            std::fabs(p.velocity.z - p.position.z * 0.005f) > 1e-7f) {
            ++velocityMismatch;
        }
    }
    EXPECT_EQ(outsideCube, 0);
    EXPECT_EQ(velocityMismatch, 0);

    SeedParticles();
    EXPECT_NE(std::memcmp(first, g_particles, sizeof(first)), 0) << "a reseed repeated the layout";
}

TEST_F(ParticlesTest, SeedVectorTakesTheThirdDrawAsX) {
    g_fakeClock = 777u;
    float r1 = RandomSigned();
    float r2 = RandomSigned();
    float r3 = RandomSigned();

    ResetRandom();
    SeedParticles();
    EXPECT_EQ(g_particles[0].position.x, r3 * 2.0f);
    EXPECT_EQ(g_particles[0].position.y, r2 * 2.0f);
    EXPECT_EQ(g_particles[0].position.z, r1 * 2.0f);
    EXPECT_EQ(g_particles[0].velocity.x, r3 * 0.01f);
}

TEST_F(ParticlesTest, StillParticleAtOriginMovesByTheModeGains) {
    // cos 0 = 1 and sin 0 = 0, so one step moves by the gains alone.
    Particle p{};
    StepParticleRange(&p, 1, 1, kFlowScalar);
    EXPECT_FLOAT_EQ(p.position.x, 0.0064f);
    EXPECT_FLOAT_EQ(p.position.y, 0.0056f);
    EXPECT_FLOAT_EQ(p.position.z, -0.0063f);

    Particle q{};
    StepParticleRange(&q, 1, 0, kFlowScalar);
    EXPECT_FLOAT_EQ(q.position.x, -0.00564f);
    EXPECT_FLOAT_EQ(q.position.y, -0.0066f);
    EXPECT_FLOAT_EQ(q.position.z, -0.0053f);
}

TEST_F(ParticlesTest, MovingParticleDriftsThenFlowsToTheBitInBothModes) {
    // Drift by velocity x 0.024, then the mode's displacement. The expected
    // positions were worked out apart from this code, rounding to float after
    // every operation and taking sin and cos in double of the float argument.
    const struct {
        int mode;
        Vector3 expected;
    } cases[] = {
        {1, {0x1.7b306ap-1f, -0x1.82d944p+0f, 0x1.41463p+0f}},
        {0, {0x1.82807ep-1f, -0x1.7e07p+0f, 0x1.40005ep+0f}},
    };
    for (const auto& c : cases) {
        Particle p{{0.75f, -1.5f, 1.25f}, {0.01f, -0.006f, 0.0045f}};
        StepParticleRange(&p, 1, c.mode, kFlowScalar);
        EXPECT_EQ(p.position.x, c.expected.x) << "mode " << c.mode;
        EXPECT_EQ(p.position.y, c.expected.y) << "mode " << c.mode;
        EXPECT_EQ(p.position.z, c.expected.z) << "mode " << c.mode;
        EXPECT_EQ(p.velocity.x, 0.01f);
    }
}

TEST_F(ParticlesTest, ModeOneScalesBy3Point5ThenBy0Point7) {
    // With x1 = 1: mode 1 takes sin(float(float(3.5) * 0.7f)), not sin(2.45f).
    Particle p{};
    p.position = {1.0f, 0.0f, 0.0f};
    StepParticleRange(&p, 1, 1, kFlowScalar);
    float X = 3.5f;
    X = X * 0.7f;
    float cosZ = 1.0f;
    float sinX = static_cast<float>(std::sin(static_cast<double>(X)));
    float cosX = static_cast<float>(std::cos(static_cast<double>(X)));
    EXPECT_EQ(p.position.x, 1.0f + (cosZ - 0.0f) * 0.0064f);
    EXPECT_EQ(p.position.y, 0.0f + (cosZ - sinX) * 0.0056f);
    EXPECT_EQ(p.position.z, 0.0f + (0.0f - cosX) * 0.0063f);
}

TEST_F(ParticlesTest, StepDriftsAlongVelocityAndEachParticleStandsAlone) {
    g_fakeClock = 31337u;
    SeedParticles();
    static Particle before[kParticleCount];
    std::memcpy(before, g_particles, sizeof(before));

    // Stepping one particle on its own gives the same as stepping all of them.
    Particle single = before[1000];
    StepParticleRange(&single, 1, g_flowMode, kFlowScalar);
    StepParticles();
    EXPECT_EQ(std::memcmp(&single, &g_particles[1000], sizeof(Particle)), 0);

    // Velocities never change; positions move by at most drift + flow.
    for (int i = 0; i < kParticleCount; ++i) {
        EXPECT_EQ(std::memcmp(&before[i].velocity, &g_particles[i].velocity, sizeof(Vector3)), 0);
        EXPECT_LT(std::fabs(g_particles[i].position.x - before[i].position.x), 0.02f);
    }
}

}  // namespace
