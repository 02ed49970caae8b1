// The vertex stream's layout in the buffer: six vertices per particle with
// corner numbers, the vertex index as the diffuse word, x + y, and a failed
// lock that leaves the buffer alone.
#include "render/scene.h"
#include "render/vertex_stream.h"

#include "sim/particles.h"
#include "tests/support/recording_device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using testing_support::CallLog;
using testing_support::RecordingVertexBuffer;
using testing_support::ResultTable;

class VertexStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < kParticleCount; ++i) {
            float f = static_cast<float>(i);
            g_particles[i].position = {f * 0.5f, -f * 0.25f + 0.1f, f * 0.125f - 3.0f};
        }
        buffer_ = new RecordingVertexBuffer(&log_, &results_, kVertexBufferBytes);
        g_vertexBuffer = buffer_;
    }
    void TearDown() override {
        g_vertexBuffer = nullptr;
        buffer_->Release();
    }

    ParticleVertex Vertex(int j) const {
        ParticleVertex v;
        std::memcpy(&v, buffer_->bytes.data() + j * sizeof(ParticleVertex), sizeof v);
        return v;
    }

    static void ExpectCarries(const ParticleVertex& v, int particle, float corner, uint32_t index) {
        const Vector3& p = g_particles[particle].position;
        EXPECT_EQ(v.x, p.x) << "vertex " << index;
        EXPECT_EQ(v.y, p.y) << "vertex " << index;
        EXPECT_EQ(v.z, p.z) << "vertex " << index;
        EXPECT_EQ(v.diffuse, index);
        EXPECT_EQ(v.u0, corner) << "vertex " << index;
        EXPECT_EQ(v.u1, p.x + p.y) << "vertex " << index;
        EXPECT_EQ(v.u2, 0.0f);
        EXPECT_EQ(v.u3, 0.0f);
    }

    CallLog log_;
    ResultTable results_;
    RecordingVertexBuffer* buffer_ = nullptr;
};

TEST_F(VertexStreamTest, LocksTheWholeBufferWithDiscardAndUnlocks) {
    FillParticleVertices();
    EXPECT_EQ(log_.calls, (std::vector<std::string>{"Lock", "Unlock"}));
    EXPECT_EQ(buffer_->lastLockFlags, D3DLOCK_DISCARD);
    EXPECT_EQ(buffer_->locked, 0);
}

TEST_F(VertexStreamTest, SixVerticesPerParticleWithTheirCorners) {
    FillParticleVertices();
    // Particle 0: corners 0, 1, 2, 1, 2, 3 - vertices 0 and 5 are the diagonal pair.
    const float corners[6] = {0, 1, 2, 1, 2, 3};
    for (uint32_t j = 0; j < 6; ++j) ExpectCarries(Vertex(j), 0, corners[j], j);
    ExpectCarries(Vertex(6), 1, 0.0f, 6);
    ExpectCarries(Vertex(1000), 166, 2.0f, 1000);  // 1000 = 6 * 166 + 4
}

TEST_F(VertexStreamTest, TheLastVertexCarriesTheLastParticle) {
    FillParticleVertices();
    ParticleVertex last = Vertex(kVertexCount - 1);
    ExpectCarries(last, kParticleCount - 1, 3.0f, 12287);
    // Read as a colour: blue 255, green 47, red and alpha 0.
    EXPECT_EQ(last.diffuse & 0xFF, 255u);
    EXPECT_EQ((last.diffuse >> 8) & 0xFF, 47u);
    EXPECT_EQ(last.diffuse >> 16, 0u);
}

TEST_F(VertexStreamTest, EveryVertexIsWrittenAndBothStoreWidthsAgree) {
    // The buffer starts out filled with 0xCD; none of it may survive a fill.
    FillParticleVertices();
    for (int j = 0; j < kVertexCount; ++j) {
        ParticleVertex v = Vertex(j);
        ASSERT_EQ(v.diffuse, static_cast<uint32_t>(j));
        ASSERT_EQ(v.x, g_particles[j / 6].position.x) << j;
        ASSERT_EQ(v.u2, 0.0f) << j;
    }
    // The 16-byte writer, which processors without AVX2 take, writes the same.
    std::vector<ParticleVertex> narrow(kVertexCount);
    WriteParticleVerticesNarrow(narrow.data());
    EXPECT_EQ(std::memcmp(narrow.data(), buffer_->bytes.data(), kVertexBufferBytes), 0);
}

TEST_F(VertexStreamTest, AFailedLockWritesNothingAndDoesNotUnlock) {
    results_.results["Lock"] = E_FAIL;
    FillParticleVertices();
    EXPECT_EQ(log_.calls, (std::vector<std::string>{"Lock"}));
    for (unsigned char byte : buffer_->bytes) ASSERT_EQ(byte, 0xCD);
}

}  // namespace
