// The render pass's call sequence against a recording device and a fake
// effect: what runs, what each failure skips, and how the shader time moves.
#include "render/render_pass.h"

#include "render/camera.h"
#include "render/scene.h"
#include "render/vertex_stream.h"
#include "platform/fx/fx.h"
#include "tests/support/recording_device.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testing_support::FakeEffect;
using testing_support::RecordingDevice;
using testing_support::RecordingVertexBuffer;
using Calls = std::vector<std::string>;

class RenderPassTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_constants = {};
        g_device = &device_;
        g_vertexBuffer = new RecordingVertexBuffer(&device_.log, &device_.results, kVertexBufferBytes);
        g_effect = new FakeEffect(&device_.log, &device_.results);
    }
    void TearDown() override {
        if (g_vertexBuffer) g_vertexBuffer->Release();
        if (g_effect) g_effect->Release();
        g_vertexBuffer = nullptr;
        g_effect = nullptr;
        g_device = nullptr;
        g_constants = {};
    }

    void Fail(const std::string& call) { device_.results.results[call] = E_FAIL; }

    RecordingDevice device_;
};

TEST_F(RenderPassTest, AFullFrameInOrder) {
    RenderParticles();
    EXPECT_EQ(device_.log.calls,
              (Calls{"SetRenderState", "SetRenderState", "Clear", "BeginScene", "Begin", "BeginPass",
                     "SetVertexShaderConstantF", "SetPixelShaderConstantF", "CommitChanges",
                     "SetStreamSource", "SetFVF", "DrawPrimitive", "EndPass", "End", "EndScene",
                     "Present"}));

    EXPECT_EQ(device_.renderStates[D3DRS_DESTBLEND], static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(device_.renderStates[D3DRS_ALPHABLENDENABLE], static_cast<DWORD>(TRUE));
    EXPECT_EQ(device_.renderStates.count(D3DRS_SRCBLEND), 0u);  // left at the default, one
    EXPECT_EQ(device_.clearFlags, 7u);
    EXPECT_EQ(device_.clearColor, 0x00000022u);
    EXPECT_EQ(device_.vertexConstantCount, 64u);
    EXPECT_EQ(device_.pixelConstantCount, 64u);
    EXPECT_EQ(device_.streamSource, g_vertexBuffer);
    EXPECT_EQ(device_.streamStride, 32u);
    EXPECT_EQ(device_.fvf, 0x20142u);
    EXPECT_EQ(device_.drawType, D3DPT_TRIANGLELIST);
    EXPECT_EQ(device_.drawCount, 4096u);
    EXPECT_EQ(g_constants.c[0][0], kTimeStep);
}

TEST_F(RenderPassTest, BothShadersGetTheBlockAsItWasBeforeTheTimeStep) {
    for (int r = 0; r < 64; ++r) {
        for (int i = 0; i < 4; ++i) g_constants.c[r][i] = static_cast<float>(r * 4 + i) + 0.5f;
    }
    g_constants.c[64][0] = 99.0f;  // beyond the uploaded registers
    RenderParticles();

    EXPECT_EQ(device_.vertexConstants, device_.pixelConstants);
    EXPECT_EQ(device_.vertexConstants[0], 0.5f);
    for (int k = 1; k < 256; ++k) ASSERT_EQ(device_.vertexConstants[k], static_cast<float>(k) + 0.5f);
    EXPECT_EQ(g_constants.c[0][0], 0.5f + kTimeStep);
}

TEST_F(RenderPassTest, AnEffectsInitialValuesComeAtBeginPassAndTheBlockOverwritesThem) {
    testing_support::TempFolder folder;
    ASSERT_TRUE(folder.Make("render_pass"));
    const std::string path = folder.Write(
        "initial.fx",
        "float4 tint = float4(1, 2, 3, 4);\n"
        "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1) * tint; }\n"
        "float4 ps_main() : COLOR0 { return tint; }\n"
        "technique T { pass P { VertexShader = compile vs_3_0 vs_main();\n"
        "    PixelShader = compile ps_3_0 ps_main(); } }\n");
    g_effect->Release();
    g_effect = nullptr;
    ASSERT_EQ(D3DXCreateEffectFromFileA(&device_, path.c_str(), nullptr, nullptr, 0, nullptr,
                                        &g_effect, nullptr),
              S_OK);
    g_constants.c[0][0] = 0.5f;
    device_.log.Clear();
    RenderParticles();

    // tint (c0 of each stage) first, then the program's 64 registers.
    const int pass = device_.log.IndexOf("SetShaderProgram");
    ASSERT_GE(pass, 0);
    EXPECT_EQ(std::vector<std::string>(device_.log.calls.begin() + pass,
                                       device_.log.calls.begin() + pass + 6),
              (Calls{"SetShaderProgram", "SetVertexShaderConstantF", "SetPixelShaderConstantF",
                     "SetVertexShaderConstantF", "SetPixelShaderConstantF", "SetStreamSource"}));
    EXPECT_EQ(device_.pixelConstantCount, 64u);
    EXPECT_EQ(device_.pixelConstants[0], 0.5f);
    EXPECT_EQ(device_.pixelConstants[1], 0.0f);
}

TEST_F(RenderPassTest, WithoutAnEffectTheFrameOnlyClearsAndPresents) {
    g_effect->Release();
    g_effect = nullptr;
    device_.log.Clear();
    RenderParticles();
    EXPECT_EQ(device_.log.calls, (Calls{"SetRenderState", "SetRenderState", "Clear", "BeginScene",
                                        "EndScene", "Present"}));
    EXPECT_EQ(g_constants.c[0][0], 0.0f);
}

TEST_F(RenderPassTest, FailedBeginSceneSkipsTheSceneButStillPresents) {
    Fail("BeginScene");
    RenderParticles();
    EXPECT_EQ(device_.log.calls,
              (Calls{"SetRenderState", "SetRenderState", "Clear", "BeginScene", "Present"}));
    EXPECT_EQ(g_constants.c[0][0], 0.0f);
}

TEST_F(RenderPassTest, FailedBeginSkipsThePassAndEnd) {
    Fail("Begin");
    RenderParticles();
    EXPECT_EQ(device_.log.calls, (Calls{"SetRenderState", "SetRenderState", "Clear", "BeginScene",
                                        "Begin", "EndScene", "Present"}));
    EXPECT_EQ(g_constants.c[0][0], 0.0f);
}

TEST_F(RenderPassTest, FailedBeginPassStillEndsTheEffectAndTheScene) {
    Fail("BeginPass");
    RenderParticles();
    EXPECT_EQ(device_.log.calls, (Calls{"SetRenderState", "SetRenderState", "Clear", "BeginScene",
                                        "Begin", "BeginPass", "End", "EndScene", "Present"}));
    EXPECT_EQ(device_.vertexConstantCount, 0u);
    EXPECT_EQ(device_.pixelConstantCount, 0u);
    EXPECT_EQ(g_constants.c[0][0], 0.0f);
}

TEST_F(RenderPassTest, OtherFailuresAreIgnored) {
    for (const char* call : {"Clear", "SetVertexShaderConstantF", "DrawPrimitive", "EndPass", "End",
                             "EndScene", "Present", "SetRenderState"}) {
        Fail(call);
    }
    RenderParticles();
    RenderParticles();
    EXPECT_EQ(device_.log.Count("DrawPrimitive"), 2);
    EXPECT_EQ(device_.log.Count("Present"), 2);
    EXPECT_EQ(g_constants.c[0][0], kTimeStep + kTimeStep);
}

TEST_F(RenderPassTest, TimeIsTheFloatSumOfItsSteps) {
    constexpr int kFrames = 20000;
    float expected = 0.0f;
    for (int n = 0; n < kFrames; ++n) {
        RenderParticles();
        device_.log.Clear();
        expected += 0.016666f;
    }
    EXPECT_EQ(g_constants.c[0][0], expected);
    // The running float sum drifts away from the product (by about 0.05 here).
    EXPECT_NE(g_constants.c[0][0], static_cast<float>(kFrames * 0.016666));
    EXPECT_NEAR(g_constants.c[0][0], kFrames * 0.016666, 0.1);
}

TEST(RenderPassWithoutDevice, DoesNothing) {
    ASSERT_EQ(g_device, nullptr);
    g_constants = {};
    RenderParticles();
    EXPECT_EQ(g_constants.c[0][0], 0.0f);
}

}  // namespace
