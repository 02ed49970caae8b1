// The scene resources: which of (vertex buffer, effect) exist after each kind
// of InitScene, what it prints, the states it sets, and that every object is
// released exactly once. Runs in a temporary working directory, where
// main.fx is written, broken or left out as each case needs.
#include "render/scene.h"

#include "render/render_pass.h"
#include "tests/support/recording_device.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using testing_support::FakeEffect;
using testing_support::RecordingDevice;
using testing_support::RecordingVertexBuffer;

// A small effect of the shape the program expects: the matrix in c4-c7,
// position, colour and texture inputs, pass 0 with both shaders.
constexpr const char* kGoodEffect = R"(float4x4 viewProjection : register(c4);

struct VsOut {
    float4 position : POSITION;
    float4 color : COLOR0;
};

VsOut vs_main(float4 position : POSITION, float4 color : COLOR0, float4 uv : TEXCOORD0) {
    VsOut o;
    o.position = mul(viewProjection, position);
    o.color = color + uv.x;
    return o;
}

float4 ps_main(float4 color : COLOR0) : COLOR0 {
    return color;
}

technique Particles {
    pass P0 {
        VertexShader = compile vs_3_0 vs_main();
        PixelShader = compile ps_3_0 ps_main();
    }
}
)";

// The same effect with an undeclared name in the vertex shader.
std::string BrokenEffect() {
    std::string text = kGoodEffect;
    text.replace(text.find("o.color = color"), 15, "o.color = colr");
    return text;
}

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir_ = fs::current_path();
        ASSERT_TRUE(temp_.Make("scene-test"));
        dir_ = temp_.Path();
        fs::current_path(dir_);
        g_device = &device_;
    }

    void TearDown() override {
        ReleaseScene();
        g_device = nullptr;
        fs::current_path(previousDir_);
        // Everything the scene made on the device has been given back.
        EXPECT_EQ(device_.liveProgramCount, 0);
    }

    void WriteEffect(const std::string& text) { std::ofstream(dir_ / "main.fx") << text; }

    // Runs InitScene and returns what it printed.
    std::string InitSceneOutput() {
        testing::internal::CaptureStdout();
        InitScene();
        return testing::internal::GetCapturedStdout();
    }

    RecordingDevice device_;
    fs::path previousDir_;
    testing_support::TempFolder temp_;
    fs::path dir_;
};

TEST_F(SceneTest, GoodEffectBuildsBothAndSetsTheStates) {
    WriteEffect(kGoodEffect);
    std::string out = InitSceneOutput();

    EXPECT_NE(g_vertexBuffer, nullptr);
    EXPECT_NE(g_effect, nullptr);
    EXPECT_EQ(out, "Load Shader.\n");

    ASSERT_NE(device_.lastBuffer, nullptr);
    EXPECT_EQ(device_.lastBuffer->bytes.size(), 393216u);
    EXPECT_EQ(device_.lastBufferUsage, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY);
    EXPECT_EQ(device_.lastBufferFvf, 0x20142u);
    EXPECT_EQ(device_.lastBufferPool, D3DPOOL_DEFAULT);

    EXPECT_EQ(device_.renderStates[D3DRS_CULLMODE], static_cast<DWORD>(D3DCULL_NONE));
    EXPECT_EQ(device_.renderStates[D3DRS_ZENABLE], static_cast<DWORD>(D3DZB_FALSE));
    auto sampler0 = [&](D3DSAMPLERSTATETYPE type) { return device_.samplerStates[{0u, type}]; };
    EXPECT_EQ(sampler0(D3DSAMP_MAGFILTER), static_cast<DWORD>(D3DTEXF_LINEAR));
    EXPECT_EQ(sampler0(D3DSAMP_MINFILTER), static_cast<DWORD>(D3DTEXF_LINEAR));
    EXPECT_EQ(sampler0(D3DSAMP_MIPFILTER), static_cast<DWORD>(D3DTEXF_LINEAR));
    EXPECT_EQ(sampler0(D3DSAMP_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_WRAP));
    EXPECT_EQ(sampler0(D3DSAMP_ADDRESSV), static_cast<DWORD>(D3DTADDRESS_WRAP));
    EXPECT_EQ(device_.log.Count("SetRenderState"), 2);
    EXPECT_EQ(device_.log.Count("SetSamplerState"), 5);
}

TEST_F(SceneTest, MissingEffectFileKeepsTheBufferAndSaysSo) {
    std::string out = InitSceneOutput();

    EXPECT_NE(g_vertexBuffer, nullptr);
    EXPECT_EQ(g_effect, nullptr);
    EXPECT_EQ(out.rfind("InitScene : Error  ", 0), 0u) << out;
    EXPECT_GT(out.size(), std::string("InitScene : Error  \n").size()) << "a reason is given";
    EXPECT_EQ(out.find("Load Shader."), std::string::npos);
    EXPECT_EQ(out.back(), '\n');
    // States are set only after a successful load.
    EXPECT_FALSE(device_.log.Contains("SetRenderState"));
    EXPECT_FALSE(device_.log.Contains("SetSamplerState"));
}

TEST_F(SceneTest, BrokenEffectPrintsTheCompilerText) {
    WriteEffect(BrokenEffect());
    std::string out = InitSceneOutput();

    EXPECT_NE(g_vertexBuffer, nullptr);
    EXPECT_EQ(g_effect, nullptr);
    EXPECT_EQ(out.rfind("InitScene : Error  ", 0), 0u) << out;
    EXPECT_NE(out.find("main.fx("), std::string::npos) << out;
    EXPECT_FALSE(device_.log.Contains("SetRenderState"));
}

// While the last load failed, the frame draws its error text, built once and
// with the device's states given back; once a load succeeds, the frame makes
// exactly the calls it made before any failure.
TEST_F(SceneTest, ErrorTextIsDrawnUntilALoadSucceeds) {
    WriteEffect(kGoodEffect);
    InitSceneOutput();
    device_.log.Clear();
    RenderParticles();
    const std::vector<std::string> goodFrame = device_.log.calls;

    WriteEffect(BrokenEffect());
    std::string out = InitSceneOutput();
    EXPECT_EQ(out, "InitScene : Error  " + g_sceneError + "\n");
    EXPECT_NE(g_sceneError.find("main.fx("), std::string::npos);
    ASSERT_NE(g_errorFont, nullptr);

    const D3DRENDERSTATETYPE states[] = {D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND, D3DRS_DESTBLEND,
                                         D3DRS_BLENDOP, D3DRS_CULLMODE, D3DRS_ZENABLE,
                                         D3DRS_ZWRITEENABLE, D3DRS_FILLMODE};
    auto snapshot = [&] {
        std::vector<DWORD> values;
        for (D3DRENDERSTATETYPE state : states) {
            DWORD value = 0;
            device_.GetRenderState(state, &value);
            values.push_back(value);
        }
        values.push_back(device_.boundProgram);
        values.push_back(device_.fvf);
        values.push_back(static_cast<DWORD>(device_.streamStride));
        return values;
    };
    for (int frame = 0; frame < 2; ++frame) {
        SCOPED_TRACE(frame);
        // What the render pass itself sets comes before the text.
        device_.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        device_.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        std::vector<DWORD> before = snapshot();
        IDirect3DVertexBuffer9* streamBefore = device_.streamSource;
        device_.log.Clear();
        RenderParticles();

        int begin = device_.log.IndexOf("BeginScene");
        int draw = device_.log.IndexOf("DrawPrimitive");
        EXPECT_LT(begin, draw);
        EXPECT_LT(draw, device_.log.IndexOf("EndScene"));
        EXPECT_EQ(device_.log.Count("DrawPrimitive"), 1);
        EXPECT_GT(device_.drawCount, 100u) << "the text's triangles";
        EXPECT_EQ(snapshot(), before);
        EXPECT_EQ(device_.streamSource, streamBefore);
        // The font's program, buffer and vertices are made at the first frame only.
        EXPECT_EQ(device_.log.Count("CreateShaderProgram"), frame == 0 ? 1 : 0);
        EXPECT_EQ(device_.log.Count("CreateVertexBuffer"), frame == 0 ? 1 : 0);
        EXPECT_EQ(device_.log.Count("Lock"), frame == 0 ? 1 : 0);
    }

    WriteEffect(kGoodEffect);
    EXPECT_EQ(InitSceneOutput(), "Load Shader.\n");
    EXPECT_EQ(g_errorFont, nullptr);
    EXPECT_TRUE(g_sceneError.empty());
    device_.log.Clear();
    RenderParticles();
    EXPECT_EQ(device_.log.calls, goodFrame);
}

TEST_F(SceneTest, FailedVertexBufferLeavesBothEmpty) {
    WriteEffect(kGoodEffect);
    device_.results.results["CreateVertexBuffer"] = E_FAIL;
    std::string out = InitSceneOutput();

    EXPECT_EQ(g_vertexBuffer, nullptr);
    EXPECT_EQ(g_effect, nullptr);
    EXPECT_EQ(out, "InitScene : Error  Failed Create Vertex Buffer\n");
    EXPECT_FALSE(device_.log.Contains("CreateShaderProgram")) << "the effect is not even loaded";
    EXPECT_FALSE(device_.log.Contains("SetRenderState"));
}

TEST_F(SceneTest, FailedReloadReleasesTheOldPairAndLeavesNoEffect) {
    WriteEffect(kGoodEffect);
    InitSceneOutput();
    ASSERT_NE(g_effect, nullptr);
    int programsOfGoodEffect = device_.liveProgramCount;

    WriteEffect(BrokenEffect());
    bool firstBufferGone = false;
    device_.lastBuffer->destroyed = &firstBufferGone;
    std::string out = InitSceneOutput();

    EXPECT_TRUE(firstBufferGone);
    EXPECT_NE(g_vertexBuffer, nullptr);
    EXPECT_EQ(g_effect, nullptr);
    EXPECT_EQ(out.rfind("InitScene : Error  ", 0), 0u) << out;
    // The good effect's shader programs went with it.
    EXPECT_EQ(device_.liveProgramCount, 0) << "had " << programsOfGoodEffect;

    // The next reload of a fixed file succeeds again.
    WriteEffect(kGoodEffect);
    EXPECT_EQ(InitSceneOutput(), "Load Shader.\n");
    EXPECT_NE(g_effect, nullptr);
}

// --keep-last-good: a failed load (broken or missing file) keeps the effect
// that loaded last and draws with it under the error text; a good load
// replaces it and lets it go; a failed vertex buffer still leaves no effect.
TEST_F(SceneTest, KeepLastGoodDrawsWithTheLastEffectUntilAnotherLoads) {
    SetKeepLastGood(true);
    WriteEffect(kGoodEffect);
    InitSceneOutput();
    ID3DXEffect* good = g_effect;
    ASSERT_NE(good, nullptr);
    int programsOfGoodEffect = device_.liveProgramCount;

    for (bool missing : {false, true}) {
        SCOPED_TRACE(missing ? "missing file" : "broken file");
        if (missing) {
            fs::remove(dir_ / "main.fx");
        } else {
            WriteEffect(BrokenEffect());
        }
        std::string out = InitSceneOutput();
        EXPECT_EQ(out.rfind("InitScene : Error  ", 0), 0u) << out;
        EXPECT_EQ(g_effect, good);
        EXPECT_NE(g_vertexBuffer, nullptr);
        EXPECT_EQ(device_.liveProgramCount, programsOfGoodEffect);
        ASSERT_NE(g_errorFont, nullptr);
        device_.log.Clear();
        RenderParticles();
        EXPECT_EQ(device_.log.Count("DrawPrimitive"), 2) << "the particles, then the error text";
    }

    WriteEffect(kGoodEffect);
    EXPECT_EQ(InitSceneOutput(), "Load Shader.\n");
    EXPECT_NE(g_effect, nullptr);
    EXPECT_EQ(g_errorFont, nullptr);
    EXPECT_EQ(device_.liveProgramCount, programsOfGoodEffect) << "the old effect went";

    device_.results.results["CreateVertexBuffer"] = E_FAIL;
    InitSceneOutput();
    EXPECT_EQ(g_effect, nullptr);
    EXPECT_EQ(device_.liveProgramCount, 0);
    SetKeepLastGood(false);
}

TEST_F(SceneTest, RepeatedReloadsReleaseEveryObjectOnce) {
    WriteEffect(kGoodEffect);
    for (int i = 0; i < 3; ++i) InitSceneOutput();
    ReleaseScene();
    EXPECT_EQ(device_.buffersCreated, 3);
    EXPECT_EQ(device_.log.Count("VertexBuffer::Release"), 3);
    EXPECT_EQ(g_vertexBuffer, nullptr);
    EXPECT_EQ(g_effect, nullptr);
}

TEST_F(SceneTest, ReleaseSceneFreesTheBufferThenTheEffect) {
    bool bufferGone = false, effectGone = false;
    auto* buffer = new RecordingVertexBuffer(&device_.log, &device_.results, 32);
    auto* effect = new FakeEffect(&device_.log, &device_.results);
    buffer->destroyed = &bufferGone;
    effect->destroyed = &effectGone;
    g_vertexBuffer = buffer;
    g_effect = effect;

    ReleaseScene();
    EXPECT_EQ(device_.log.calls, (std::vector<std::string>{"VertexBuffer::Release", "Effect::Release"}));
    EXPECT_TRUE(bufferGone);
    EXPECT_TRUE(effectGone);
    EXPECT_EQ(g_vertexBuffer, nullptr);
    EXPECT_EQ(g_effect, nullptr);

    ReleaseScene();  // nothing left to release
    EXPECT_EQ(device_.log.calls.size(), 2u);
}

TEST_F(SceneTest, WithoutADeviceNothingIsBuilt) {
    WriteEffect(kGoodEffect);
    g_device = nullptr;
    std::string out = InitSceneOutput();
    EXPECT_EQ(g_vertexBuffer, nullptr);
    EXPECT_EQ(g_effect, nullptr);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(device_.log.calls.empty());
    g_device = &device_;
}

}  // namespace
