// The bundled main.fx drawn by the real frame sequence on Mesa, checked by
// reading the back buffer: many soft particles spread over a dark blue frame,
// the orbited particle at the centre, overlapping particles adding up.
#include "app/frame.h"
#include "app/program.h"
#include "platform/crt/crt.h"
#include "platform/gfx/gl_device.h"
#include "platform/window/window.h"
#include "render/camera.h"
#include "render/render_pass.h"
#include "render/scene.h"
#include "render/vertex_stream.h"
#include "sim/particles.h"
#include "tests/support/quiet_stdout.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

uint32_t FixedClock() { return 424242u; }

struct Image {
    std::vector<uint32_t> argb;
    uint32_t At(int x, int y) const { return argb[static_cast<size_t>(y) * kWidth + x]; }
};

int Red(uint32_t c) { return (c >> 16) & 0xFF; }
int Green(uint32_t c) { return (c >> 8) & 0xFF; }
int Blue(uint32_t c) { return c & 0xFF; }
// Light above the clear colour (0, 0, 0x22).
int Light(uint32_t c) { return Red(c) + Green(c) + std::max(0, Blue(c) - 0x22); }

class ParticlesOnScreen : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string assets = std::string(getenv("FLOWFIELD_SOURCE_DIR")) + "/assets";
        ASSERT_EQ(chdir(assets.c_str()), 0);
        crt::SetClockSource(FixedClock);

        g_windowClass.hInstance = GetModuleHandleA(nullptr);
        RegisterClassExA(&g_windowClass);
        g_window = CreateWindowExA(WS_EX_APPWINDOW, "test", "test", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                                   nullptr, nullptr, g_windowClass.hInstance, nullptr);
        ASSERT_NE(g_window, nullptr) << GetPlatformErrorText();
        g_d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(g_d3d, nullptr);
        g_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, g_window,
                            D3DCREATE_HARDWARE_VERTEXPROCESSING, &g_presentParams, &g_device);
        ASSERT_NE(g_device, nullptr) << GetPlatformErrorText();
    }

    static void TearDownTestSuite() {
        ReleaseScene();
        if (g_device) g_device->Release();
        g_device = nullptr;
        if (g_d3d) g_d3d->Release();
        g_d3d = nullptr;
    }

    void SetUp() override {
        ASSERT_NE(g_device, nullptr);
        QuietStdout quiet;
        InitScene();
        ASSERT_NE(g_effect, nullptr) << "assets/main.fx did not compile";
    }

    using QuietStdout = testing_support::QuietStdout;

    static void RunFrames(int count) {
        QuietStdout quiet;
        for (int i = 0; i < count; ++i) RunFrame();
    }

    static Image Capture() {
        Image image;
        UINT width = 0, height = 0;
        EXPECT_EQ(platform::ReadBackBuffer(g_device, &image.argb, &width, &height), 0);
        EXPECT_EQ(width, static_cast<UINT>(kWidth));
        EXPECT_EQ(height, static_cast<UINT>(kHeight));
        return image;
    }

    // The brightest light in a small square around the image centre.
    static int CentreLight(const Image& image) {
        int best = 0;
        for (int y = kHeight / 2 - 3; y <= kHeight / 2 + 3; ++y) {
            for (int x = kWidth / 2 - 3; x <= kWidth / 2 + 3; ++x) best = std::max(best, Light(image.At(x, y)));
        }
        return best;
    }
};

// Connected groups of lit pixels (4-neighbourhood).
int CountBlobs(const std::vector<uint8_t>& lit) {
    std::vector<uint8_t> seen(lit.size(), 0);
    std::vector<int> stack;
    int blobs = 0;
    for (int start = 0; start < kWidth * kHeight; ++start) {
        if (!lit[start] || seen[start]) continue;
        ++blobs;
        stack.push_back(start);
        seen[start] = 1;
        while (!stack.empty()) {
            int p = stack.back();
            stack.pop_back();
            int x = p % kWidth, y = p / kWidth;
            const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
            for (const auto& n : next) {
                if (n[0] < 0 || n[0] >= kWidth || n[1] < 0 || n[1] >= kHeight) continue;
                int q = n[1] * kWidth + n[0];
                if (lit[q] && !seen[q]) {
                    seen[q] = 1;
                    stack.push_back(q);
                }
            }
        }
    }
    return blobs;
}

TEST_F(ParticlesOnScreen, ManySoftParticlesSpreadOverADarkBlueFrame) {
    RunFrames(120);
    Image image = Capture();

    std::vector<uint8_t> lit(image.argb.size(), 0);
    int litCount = 0, saturated = 0, background = 0;
    int quadrants[4] = {0, 0, 0, 0};
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            uint32_t c = image.At(x, y);
            if (c == 0xFF000022u || (c & 0xFFFFFFu) == 0x000022u) ++background;
            if (Light(c) > 40) {
                lit[y * kWidth + x] = 1;
                ++litCount;
                ++quadrants[(y < kHeight / 2 ? 0 : 2) + (x < kWidth / 2 ? 0 : 1)];
            }
            if (Red(c) == 255 && Green(c) == 255 && Blue(c) == 255) ++saturated;
        }
    }
    int blobs = CountBlobs(lit);

    // Most of the frame is the untouched clear colour, lit pixels are many,
    // they form hundreds of separate dots, every quarter has some, and almost
    // nothing is blown out to white.
    EXPECT_GT(background, kWidth * kHeight / 3);
    EXPECT_GT(litCount, 3000);
    EXPECT_LT(litCount, kWidth * kHeight / 2);
    EXPECT_GT(blobs, 200);
    for (int q : quadrants) EXPECT_GT(q, 100);
    EXPECT_LT(saturated, kWidth * kHeight / 200);
}

TEST_F(ParticlesOnScreen, OrbitedParticleSitsAtTheCentre) {
    // Before and after the first re-pick of the target at counter 360.
    for (int frames : {1, 200, 200}) {
        RunFrames(frames);
        EXPECT_GT(CentreLight(Capture()), 60) << "after " << g_frameCounter << " frames";
    }
}

TEST_F(ParticlesOnScreen, OverlappingParticlesAddUp) {
    // Only the target stays in view; every other particle goes far behind
    // the far plane. Then a second particle joins the target at its place.
    RunFrames(1);
    const Vector3 centre = g_cameraTarget->position;
    for (Particle& p : g_particles) p.position = {centre.x + 1000.0f, centre.y + 1000.0f, centre.z + 1000.0f};
    g_cameraTarget->position = centre;

    auto drawOnce = [] {
        UpdateCamera();
        FillParticleVertices();
        RenderParticles();
        return CentreLight(Capture());
    };
    int single = drawOnce();
    Particle* other = g_cameraTarget == &g_particles[0] ? &g_particles[1] : &g_particles[0];
    other->position = centre;
    int both = drawOnce();

    EXPECT_GT(single, 30);
    EXPECT_GT(both, single + 20) << "additive blending should brighten the overlap";
}

}  // namespace
