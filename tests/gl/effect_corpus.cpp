// The effect corpus on the GL device: every real-world effect compiles (all
// techniques), the drawable ones draw every pass without a GL error, the
// reference effects draw the pixels their header states, and a
// sampler_state block reaches the GL sampler of its stage.
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fx/effect_info.h"
#include "platform/fx/fx.h"
#include "platform/gfx/gfx.h"
#include "platform/gfx/gl_device.h"
#include "platform/window/window.h"
#include "tests/support/gl_test_device.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

using Vertex = testing_support::TestVertex;
constexpr DWORD kFvf = testing_support::kTestFvf;
constexpr UINT kWidth = testing_support::kTestWidth;
constexpr UINT kHeight = testing_support::kTestHeight;

using testing_support::TestWindow;

fs::path RealCorpus() {
    const char* root = std::getenv("FLOWFIELD_SOURCE_DIR");
    return fs::path(root != nullptr ? root : ".") / "tests" / "fx-corpus" / "real";
}

struct ManifestEntry {
    std::string file;
    bool drawable = false;
};

std::vector<ManifestEntry> ReadManifest() {
    std::vector<ManifestEntry> entries;
    std::ifstream in(RealCorpus() / "manifest.txt");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        ManifestEntry e;
        std::string kind;
        if (!(words >> e.file >> kind)) continue;
        e.drawable = kind == "drawable";
        entries.push_back(e);
    }
    return entries;
}

std::string GlErrors() {
    std::string errors;
    for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%04X ", e);
        errors += text;
    }
    return errors;
}

class EffectCorpus : public ::testing::Test {
protected:
    void SetUp() override {
        HWND window = TestWindow();
        ASSERT_NE(window, nullptr) << GetPlatformErrorText();
        testing_support::CreateTestDevice(&d3d_, &device_);
        ASSERT_NE(d3d_, nullptr) << GetPlatformErrorText();
        ASSERT_NE(device_, nullptr) << GetPlatformErrorText();
        ASSERT_EQ(device_->CreateVertexBuffer(6 * sizeof(Vertex), D3DUSAGE_WRITEONLY, kFvf,
                                              D3DPOOL_DEFAULT, &buffer_, nullptr),
                  S_OK);
        FillQuad(0xFF336699);
        device_->SetStreamSource(0, buffer_, 0, sizeof(Vertex));
        device_->SetFVF(kFvf);
    }

    void TearDown() override {
        if (buffer_) buffer_->Release();
        if (device_) device_->Release();
        if (d3d_) d3d_->Release();
    }

    // The full-screen quad of the reference effects: clip space, z = 0.5,
    // texture coordinates (0, 0) top left to (1, 1) bottom right.
    void FillQuad(uint32_t diffuse) {
        const float c[4][4] = {{-1, 1, 0, 0}, {1, 1, 1, 0}, {-1, -1, 0, 1}, {1, -1, 1, 1}};
        const int order[6] = {0, 1, 2, 1, 3, 2};
        void* data = nullptr;
        ASSERT_EQ(buffer_->Lock(0, 0, &data, 0), S_OK);
        auto* v = static_cast<Vertex*>(data);
        for (int i = 0; i < 6; ++i) {
            const float* p = c[order[i]];
            v[i] = {p[0], p[1], 0.5f, diffuse, p[2], p[3], 0.0f, 1.0f};
        }
        ASSERT_EQ(buffer_->Unlock(), S_OK);
    }

    ID3DXEffect* Load(const fs::path& path, std::string* text) {
        ID3DXEffect* effect = nullptr;
        ID3DXBuffer* errors = nullptr;
        fx::CreateEffectFromFile(device_, path.string().c_str(), true, &effect, &errors);
        if (errors != nullptr) {
            *text = static_cast<const char*>(errors->GetBufferPointer());
            errors->Release();
        }
        return effect;
    }

    // Draws the quad once through each listed pass of the current technique.
    // Pixel-shader registers, when given, are written after each BeginPass,
    // as the program writes its block.
    void DrawPasses(ID3DXEffect* effect, std::vector<UINT> passes, const float* ps = nullptr,
                    UINT registers = 0) {
        ASSERT_EQ(device_->BeginScene(), S_OK);
        UINT count = 0;
        ASSERT_EQ(effect->Begin(&count, 0), S_OK);
        for (UINT pass : passes) {
            ASSERT_LT(pass, count);
            ASSERT_EQ(effect->BeginPass(pass), S_OK);
            if (ps != nullptr) device_->SetPixelShaderConstantF(0, ps, registers);
            EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), S_OK);
            effect->EndPass();
        }
        effect->End();
        device_->EndScene();
    }

    // Every pixel of the back buffer is argb; the first that is not, told.
    ::testing::AssertionResult AllPixelsAre(uint32_t argb) {
        std::vector<uint32_t> pixels;
        UINT width = 0, height = 0;
        if (platform::ReadBackBuffer(device_, &pixels, &width, &height) != S_OK) {
            return ::testing::AssertionFailure() << "no read-back";
        }
        for (size_t i = 0; i < pixels.size(); ++i) {
            if (pixels[i] != argb) {
                char text[96];
                std::snprintf(text, sizeof text, "pixel (%zu, %zu) is %08X, not %08X", i % width,
                              i / width, pixels[i], argb);
                return ::testing::AssertionFailure() << text;
            }
        }
        return ::testing::AssertionSuccess();
    }

    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    IDirect3DVertexBuffer9* buffer_ = nullptr;
};

TEST_F(EffectCorpus, EveryEffectCompilesAndTheDrawableOnesDrawEveryPass) {
    std::vector<ManifestEntry> manifest = ReadManifest();
    ASSERT_GE(manifest.size(), 23u) << "manifest not found under " << RealCorpus();
    // Plausible constants: an identity matrix at c4-c7, ones elsewhere.
    float block[64 * 4];
    for (float& f : block) f = 1.0f;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) block[(4 + r) * 4 + c] = r == c ? 1.0f : 0.0f;
    }
    for (const ManifestEntry& entry : manifest) {
        SCOPED_TRACE(entry.file);
        std::string text;
        ID3DXEffect* effect = Load(RealCorpus() / entry.file, &text);
        ASSERT_NE(effect, nullptr) << text;
        EXPECT_EQ(text.find(": error: "), std::string::npos) << text;
        std::vector<fx::EffectTechniqueInfo> techniques;
        ASSERT_TRUE(fx::GetEffectInfo(effect, &techniques));
        ASSERT_FALSE(techniques.empty());
        if (entry.drawable) {
            GlErrors();
            for (UINT t = 0; t < techniques.size(); ++t) {
                ASSERT_EQ(fx::SetEffectTechnique(effect, t), S_OK);
                std::vector<UINT> passes;
                for (UINT p = 0; p < techniques[t].passes.size(); ++p) passes.push_back(p);
                device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000022, 1.0f,
                               0);
                device_->SetVertexShaderConstantF(0, block, 64);
                device_->SetPixelShaderConstantF(0, block, 64);
                DrawPasses(effect, passes);
                std::vector<uint32_t> pixels;
                platform::ReadBackBuffer(device_, &pixels);
                EXPECT_EQ(GlErrors(), "") << "technique " << techniques[t].name;
            }
        }
        effect->Release();
    }
}

struct Reference {
    const char* file;
    UINT technique;
    std::vector<UINT> passes;
    uint32_t clear;
    uint32_t expected;
};

TEST_F(EffectCorpus, ReferenceEffectsDrawTheirStatedPixels) {
    const Reference references[] = {
        {"ref_solid_color.fx", 0, {0}, 0xFF000022, 0xFFFF9933},
        {"ref_unbound_sampler.fx", 0, {0}, 0xFFFFFFFF, 0xFF000000},
        {"ref_two_pass_add.fx", 0, {0}, 0xFF000022, 0xFF330066},
        {"ref_two_pass_add.fx", 0, {0, 1}, 0xFF000022, 0xFF993366},
        {"ref_uniform_arg.fx", 0, {0}, 0xFF000022, 0xFF00FF00},
        {"ref_uniform_arg.fx", 1, {0}, 0xFF000022, 0xFF0000FF},
        {"ref_uniform_arg.fx", 2, {0}, 0xFF000022, 0xFFFF0000},
        {"ref_vertex_color.fx", 0, {0}, 0xFF000022, 0xFF336699},
        {"ref_register_color.fx", 0, {0}, 0xFF000022, 0xFF336699},
    };
    for (const Reference& ref : references) {
        SCOPED_TRACE(std::string(ref.file) + " technique " + std::to_string(ref.technique) +
                     ", passes " + std::to_string(ref.passes.size()));
        std::string text;
        ID3DXEffect* effect = Load(RealCorpus() / ref.file, &text);
        ASSERT_NE(effect, nullptr) << text;
        ASSERT_EQ(fx::SetEffectTechnique(effect, ref.technique), S_OK);
        float registers[4 * 4] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.2f, 0.4f, 0.6f, 1.0f};
        device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, ref.clear, 1.0f, 0);
        DrawPasses(effect, ref.passes, registers, 4);
        EXPECT_TRUE(AllPixelsAre(ref.expected));
        effect->Release();
    }
}

TEST_F(EffectCorpus, SamplerStateOfTheEffectReachesTheGlSamplerAndEndRestoresIt) {
    testing_support::TempFolder temp;
    ASSERT_TRUE(temp.Make("flowfield-corpus"));
    fs::path dir = temp.Path();
    std::ofstream(dir / "sampled.fx")
        << "texture Tex;\n"
           "sampler2D Base = sampler_state { Texture = <Tex>; AddressU = Clamp; };\n"
           "sampler2D Detail : register(s2) = sampler_state {\n"
           "    Texture = <Tex>; MinFilter = Point; MagFilter = Linear; AddressU = Mirror;\n"
           "    AddressV = Clamp; BorderColor = 0xFF00FF00; };\n"
           "float4 ps_main(float2 uv : TEXCOORD0) : COLOR0\n"
           "{ return tex2D(Base, uv) + tex2D(Detail, uv); }\n"
           "technique T { pass P { PixelShader = compile ps_2_0 ps_main(); } }\n";
    std::string text;
    ID3DXEffect* effect = Load(dir / "sampled.fx", &text);
    ASSERT_NE(effect, nullptr) << text;

    // The program's own sampler 0 states, set before the pass.
    device_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    auto samplerParameter = [](GLuint unit, GLenum name) {
        GLint sampler = 0, value = 0;
        glActiveTexture(GL_TEXTURE0 + unit);
        glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
        glActiveTexture(GL_TEXTURE0);
        glGetSamplerParameteriv(static_cast<GLuint>(sampler), name, &value);
        return value;
    };

    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), S_OK);
    ASSERT_EQ(effect->BeginPass(0), S_OK);
    // Base has no register: the first free stage, 0; Detail names s2.
    EXPECT_EQ(samplerParameter(0, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(samplerParameter(0, GL_TEXTURE_MAG_FILTER), GL_LINEAR)
        << "left as the program set it";
    EXPECT_EQ(samplerParameter(2, GL_TEXTURE_WRAP_S), GL_MIRRORED_REPEAT);
    EXPECT_EQ(samplerParameter(2, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(samplerParameter(2, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(samplerParameter(2, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    DWORD border = 0;
    device_->GetSamplerState(2, D3DSAMP_BORDERCOLOR, &border);
    EXPECT_EQ(border, 0xFF00FF00u);

    // Both samplers read the black stand-in texture: the sum is black.
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFFFFFF, 1.0f, 0);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), S_OK);
    EXPECT_TRUE(AllPixelsAre(0xFF000000));
    EXPECT_EQ(GlErrors(), "");
    effect->EndPass();
    effect->End();

    EXPECT_EQ(samplerParameter(0, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(samplerParameter(2, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(samplerParameter(2, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(samplerParameter(2, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    effect->Release();
}

TEST_F(EffectCorpus, PixelOnlyPassCoversTheTargetWithTheQuadsTextureCoordinates) {
    testing_support::TempFolder temp;
    ASSERT_TRUE(temp.Make("flowfield-corpus"));
    fs::path dir = temp.Path();
    std::ofstream(dir / "uv.fx")
        << "float4 ps_main(float2 uv : TEXCOORD0, float4 c : COLOR0) : COLOR0\n"
           "{ return float4(uv, c.b, 1.0); }\n"
           "technique T { pass P { CullMode = None; ZEnable = false;\n"
           "    PixelShader = compile ps_2_0 ps_main(); } }\n";
    std::string text;
    ID3DXEffect* effect = Load(dir / "uv.fx", &text);
    ASSERT_NE(effect, nullptr) << text;
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    DrawPasses(effect, {0});
    effect->Release();

    std::vector<uint32_t> pixels;
    ASSERT_EQ(platform::ReadBackBuffer(device_, &pixels), S_OK);
    auto at = [&](UINT x, UINT y) { return pixels[size_t{y} * kWidth + x]; };
    // Top left: u = v = 0; bottom right: both near 1; the diffuse blue 0x99 everywhere.
    EXPECT_EQ(at(0, 0) & 0x00FFFF00u, 0x00000000u) << std::hex << at(0, 0);
    EXPECT_GE((at(kWidth - 1, kHeight - 1) >> 16) & 0xFF, 0xFDu);
    EXPECT_GE((at(kWidth - 1, kHeight - 1) >> 8) & 0xFF, 0xFDu);
    EXPECT_LE((at(kWidth - 1, 0) >> 8) & 0xFF, 1u) << "v grows downwards";
    for (uint32_t p : pixels) {
        ASSERT_EQ(p & 0xFF0000FFu, 0xFF000099u) << std::hex << p;
    }
}

TEST_F(EffectCorpus, PixelInputTheVertexShaderDoesNotWriteLinksAndReadsZero) {
    testing_support::TempFolder temp;
    ASSERT_TRUE(temp.Make("flowfield-corpus"));
    fs::path dir = temp.Path();
    std::ofstream(dir / "unwritten.fx")
        << "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1.0); }\n"
           "float4 ps_main(float2 uv : TEXCOORD0, float4 c : COLOR1) : COLOR0\n"
           "{ return float4(uv, c.b, 1.0); }\n"
           "technique T { pass P { CullMode = None; ZEnable = false;\n"
           "    VertexShader = compile vs_3_0 vs_main();\n"
           "    PixelShader = compile ps_3_0 ps_main(); } }\n";
    std::string text;
    ID3DXEffect* effect = Load(dir / "unwritten.fx", &text);
    ASSERT_NE(effect, nullptr) << text;
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    DrawPasses(effect, {0});
    effect->Release();
    EXPECT_TRUE(AllPixelsAre(0xFF000000));
}

}  // namespace
