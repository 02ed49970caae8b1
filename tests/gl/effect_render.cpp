// Effects compiled from HLSL and drawn by the GL device on Mesa, checked by
// reading pixels back: each trap of the HLSL -> GLSL route gets a small effect
// that would draw the wrong colour or place if the trap were not handled.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/fx/fx.h"
#include "platform/gfx/gfx.h"
#include "platform/gfx/gl_device.h"
#include "platform/window/window.h"
#include "tests/support/gl_test_device.h"
#include "tests/support/image_files.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

using Vertex = testing_support::TestVertex;
constexpr DWORD kFvf = testing_support::kTestFvf;
constexpr UINT kWidth = testing_support::kTestWidth;
constexpr UINT kHeight = testing_support::kTestHeight;

using testing_support::TestWindow;

// Clip-space pass-through for tests that check only the pixel side.
const char* const kPassThroughVs =
    "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1.0); }\n";

const char* const kTechnique =
    "technique T { pass P {\n"
    "    VertexShader = compile vs_3_0 vs_main();\n"
    "    PixelShader = compile ps_3_0 ps_main(); } }\n";

class EffectRender : public ::testing::Test {
protected:
    void SetUp() override {
        HWND window = TestWindow();
        ASSERT_NE(window, nullptr) << GetPlatformErrorText();
        testing_support::CreateTestDevice(&d3d_, &device_);
        ASSERT_NE(d3d_, nullptr) << GetPlatformErrorText();
        ASSERT_NE(device_, nullptr) << GetPlatformErrorText();
        ASSERT_EQ(
            device_->CreateVertexBuffer(64 * sizeof(Vertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                        kFvf, D3DPOOL_DEFAULT, &buffer_, nullptr),
            0);
        device_->SetStreamSource(0, buffer_, 0, sizeof(Vertex));
        device_->SetFVF(kFvf);
        device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        ASSERT_TRUE(temp_.Make("effect_render"));
        dir_ = temp_.Path();
    }

    void TearDown() override {
        for (ID3DXEffect* e : effects_) e->Release();
        if (buffer_) buffer_->Release();
        if (device_) {
            EXPECT_EQ(device_->Release(), 0u) << "every effect let go of the device";
        }
        if (d3d_) d3d_->Release();
    }

    ID3DXEffect* Load(const std::string& source) {
        fs::path path = dir_ / ("effect" + std::to_string(effects_.size()) + ".fx");
        std::ofstream(path) << source;
        return LoadFile(path);
    }

    ID3DXEffect* LoadFile(const fs::path& path) {
        ID3DXEffect* effect = nullptr;
        ID3DXBuffer* errors = nullptr;
        HRESULT hr = D3DXCreateEffectFromFileA(device_, path.c_str(), nullptr, nullptr, 0, nullptr,
                                               &effect, &errors);
        std::string text = errors ? static_cast<const char*>(errors->GetBufferPointer()) : "";
        if (errors) errors->Release();
        EXPECT_EQ(hr, 0) << text;
        if (effect) effects_.push_back(effect);
        return effect;
    }

    void Fill(const std::vector<Vertex>& vertices) {
        void* data = nullptr;
        ASSERT_EQ(buffer_->Lock(0, 0, &data, D3DLOCK_DISCARD), 0);
        std::memcpy(data, vertices.data(), vertices.size() * sizeof(Vertex));
        ASSERT_EQ(buffer_->Unlock(), 0);
    }

    static void AddRect(std::vector<Vertex>* out, float x0, float y0, float x1, float y1) {
        Vertex a{x0, y0, 0.5f, 0, 0, 0, 0, 0}, b{x1, y0, 0.5f, 0, 0, 0, 0, 0};
        Vertex c{x0, y1, 0.5f, 0, 0, 0, 0, 0}, d{x1, y1, 0.5f, 0, 0, 0, 0, 0};
        for (const Vertex& v : {a, b, c, b, c, d}) out->push_back(v);
    }

    void Clear() {
        device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL,
                       0x00000022, 1.0f, 0);
    }

    // Draws through pass 0 as the render pass does, constants uploaded after
    // BeginPass.
    void Draw(ID3DXEffect* effect, UINT triangles, const float* vs = nullptr,
              const float* ps = nullptr, UINT registers = 0, int times = 1) {
        ASSERT_EQ(device_->BeginScene(), 0);
        ASSERT_EQ(effect->Begin(nullptr, 0), 0);
        ASSERT_EQ(effect->BeginPass(0), 0);
        if (vs) device_->SetVertexShaderConstantF(0, vs, registers);
        if (ps) device_->SetPixelShaderConstantF(0, ps, registers);
        for (int i = 0; i < times; ++i) device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles);
        EXPECT_EQ(effect->EndPass(), 0);
        EXPECT_EQ(effect->End(), 0);
        EXPECT_EQ(device_->EndScene(), 0);
    }

    // RGB at a clip-space position.
    uint32_t At(float x, float y) {
        std::vector<uint32_t> pixels;
        EXPECT_EQ(platform::ReadBackBuffer(device_, &pixels), 0);
        UINT px = static_cast<UINT>((x + 1.0f) * 0.5f * kWidth);
        UINT py = static_cast<UINT>((1.0f - y) * 0.5f * kHeight);
        px = std::min(px, kWidth - 1);
        py = std::min(py, kHeight - 1);
        return pixels[py * kWidth + px] & 0xFFFFFF;
    }

    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    IDirect3DVertexBuffer9* buffer_ = nullptr;
    std::vector<ID3DXEffect*> effects_;
    testing_support::TempFolder temp_;
    fs::path dir_;
};

int Red(uint32_t rgb) { return static_cast<int>((rgb >> 16) & 0xFF); }
int Green(uint32_t rgb) { return static_cast<int>((rgb >> 8) & 0xFF); }
int Blue(uint32_t rgb) { return static_cast<int>(rgb & 0xFF); }

TEST_F(EffectRender, MainFxDrawsACameraFacingQuadPerParticle) {
    const char* source = std::getenv("FLOWFIELD_SOURCE_DIR");
    ID3DXEffect* effect = LoadFile(fs::path(source ? source : ".") / "assets/main.fx");
    ASSERT_NE(effect, nullptr);

    // One particle at the origin, identity view-projection, screen axes.
    std::vector<Vertex> vertices;
    const float corners[6] = {0, 1, 2, 1, 2, 3};
    for (int j = 0; j < 6; ++j) {
        vertices.push_back(Vertex{0, 0, 0.5f, static_cast<uint32_t>(j), corners[j], 0.3f, 0, 0});
    }
    Fill(vertices);
    float constants[64][4] = {};
    constants[1][0] = -1.0f;  // side points to the screen's left
    constants[1][3] = 1.0f;
    constants[2][1] = 1.0f;
    constants[2][3] = 1.0f;
    for (int i = 0; i < 4; ++i) constants[4 + i][i] = 1.0f;
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    Clear();
    Draw(effect, 2, &constants[0][0], &constants[0][0], 64);

    EXPECT_NE(At(0.0f, 0.0f), 0x000022u) << "the centre glows";
    // Both triangles are there: a point inside each quarter of the quad.
    for (float dx : {-0.02f, 0.02f}) {
        for (float dy : {-0.02f, 0.02f}) {
            EXPECT_NE(At(dx, dy), 0x000022u) << dx << ", " << dy;
        }
    }
    EXPECT_EQ(At(0.2f, 0.0f), 0x000022u) << "nothing beyond the quad";
    EXPECT_EQ(At(0.0f, 0.2f), 0x000022u);
}

TEST_F(EffectRender, StructPositionOutputLandsAtTheProjectedPlace) {
    // The POSITION member of a returned struct, transformed by c4-c7 holding
    // the rows of a matrix that scales by 0.25 and moves right by 0.5.
    ID3DXEffect* effect = Load(
        "float4x4 viewProj : register(c4);\n"
        "struct VSOut { float4 color : COLOR0; float4 position : POSITION; };\n"
        "VSOut vs_main(float3 p : POSITION) {\n"
        "    VSOut o;\n"
        "    o.color = float4(0.0, 1.0, 0.0, 1.0);\n"
        "    o.position = mul(viewProj, float4(p, 1.0));\n"
        "    return o;\n"
        "}\n"
        "float4 ps_main(float4 c : COLOR0) : COLOR0 { return c; }\n" +
        std::string(kTechnique));
    ASSERT_NE(effect, nullptr);
    std::vector<Vertex> vertices;
    AddRect(&vertices, -1, -1, 1, 1);
    Fill(vertices);
    float c[8][4] = {};
    c[4][0] = 0.25f;
    c[5][1] = 0.25f;
    c[6][2] = 1.0f;
    c[7][0] = 0.5f;  // translation in the last row: row-vector convention
    c[7][3] = 1.0f;
    Clear();
    Draw(effect, 2, &c[0][0], &c[0][0], 8);
    EXPECT_EQ(At(0.5f, 0.0f), 0x00FF00u);
    EXPECT_EQ(At(0.7f, 0.2f), 0x00FF00u);
    EXPECT_EQ(At(0.0f, 0.0f), 0x000022u);
    EXPECT_EQ(At(0.85f, 0.0f), 0x000022u);
}

TEST_F(EffectRender, PixelInputsInAnotherOrderAndASubsetReadTheRightValues) {
    ID3DXEffect* effect = Load(
        "struct VSOut { float4 position : POSITION; float4 a : COLOR0;\n"
        "               float4 b : TEXCOORD0; float4 c : TEXCOORD1; };\n"
        "VSOut vs_main(float3 p : POSITION) {\n"
        "    VSOut o;\n"
        "    o.position = float4(p, 1.0);\n"
        "    o.a = float4(1.0, 0.0, 0.0, 1.0);\n"
        "    o.b = float4(0.0, 1.0, 0.0, 1.0);\n"
        "    o.c = float4(0.0, 0.0, 1.0, 1.0);\n"
        "    return o;\n"
        "}\n"
        "float4 ps_main(float4 c : TEXCOORD1, float4 a : COLOR0) : COLOR0 {\n"
        "    return float4(a.r, a.g + c.g, c.b * 0.5, 1.0);\n"
        "}\n" +
        std::string(kTechnique));
    ASSERT_NE(effect, nullptr);
    std::vector<Vertex> vertices;
    AddRect(&vertices, -1, -1, 1, 1);
    Fill(vertices);
    Clear();
    Draw(effect, 2);
    uint32_t rgb = At(0.0f, 0.0f);
    EXPECT_EQ(Red(rgb), 255);
    EXPECT_EQ(Green(rgb), 0);
    EXPECT_NEAR(Blue(rgb), 128, 1);
}

TEST_F(EffectRender, RegistersOutOfOrderReachTheirGlobals) {
    ID3DXEffect* effect =
        Load(std::string(kPassThroughVs) +
             "float4 a : register(c0);\n"
             "float4 b : register(c10);\n"
             "float4 c : register(c2);\n"
             "float4 ps_main() : COLOR0 { return float4(a.x, c.y, b.z, 1.0); }\n" +
             kTechnique);
    ASSERT_NE(effect, nullptr);
    std::vector<Vertex> vertices;
    AddRect(&vertices, -1, -1, 1, 1);
    Fill(vertices);
    float ps[11][4] = {};
    ps[0][0] = 0.25f;
    ps[2][1] = 0.5f;
    ps[10][2] = 0.75f;
    // Decoys where declaration-order packing would look.
    ps[1][1] = 1.0f;
    ps[1][2] = 1.0f;
    Clear();
    Draw(effect, 2, nullptr, &ps[0][0], 11);
    uint32_t rgb = At(0.0f, 0.0f);
    EXPECT_NEAR(Red(rgb), 64, 1);
    EXPECT_NEAR(Green(rgb), 128, 1);
    EXPECT_NEAR(Blue(rgb), 191, 1);
}

TEST_F(EffectRender, ConstantBlockReachesBothStagesExactly) {
    // The vertex stage hands on what it read from c0, c1, c2 and the matrix;
    // the pixel stage compares with its own registers: green means equal.
    ID3DXEffect* effect = Load(
        "float4 time : register(c0);\n"
        "float4 side : register(c1);\n"
        "float4 up : register(c2);\n"
        "float4x4 viewProj : register(c4);\n"
        "struct VSOut { float4 position : POSITION; nointerpolation float4 t : TEXCOORD0;\n"
        "    nointerpolation float4 s : TEXCOORD1; nointerpolation float4 u : TEXCOORD2;\n"
        "    nointerpolation float4 m : TEXCOORD3; };\n"
        "VSOut vs_main(float3 p : POSITION) {\n"
        "    VSOut o;\n"
        "    o.position = float4(p, 1.0);\n"
        "    o.t = time; o.s = side; o.u = up;\n"
        "    o.m = mul(viewProj, float4(1.0, 2.0, 3.0, 4.0));\n"
        "    return o;\n"
        "}\n"
        "float4 ps_main(nointerpolation float4 t : TEXCOORD0, nointerpolation float4 s : "
        "TEXCOORD1,\n"
        "               nointerpolation float4 u : TEXCOORD2, nointerpolation float4 m : "
        "TEXCOORD3) : COLOR0 {\n"
        "    bool same = all(t == time) && all(s == side) && all(u == up) &&\n"
        "                all(m == mul(viewProj, float4(1.0, 2.0, 3.0, 4.0)));\n"
        "    return same ? float4(0.0, 1.0, 0.0, 1.0) : float4(1.0, 0.0, 0.0, 1.0);\n"
        "}\n" +
        std::string(kTechnique));
    ASSERT_NE(effect, nullptr);
    std::vector<Vertex> vertices;
    AddRect(&vertices, -1, -1, 1, 1);
    Fill(vertices);
    float block[64][4] = {};
    for (int r = 0; r < 8; ++r) {
        for (int i = 0; i < 4; ++i) block[r][i] = 0.1f * static_cast<float>(r * 4 + i) + 0.013f;
    }
    Clear();
    Draw(effect, 2, &block[0][0], &block[0][0], 64);
    EXPECT_EQ(At(0.0f, 0.0f), 0x00FF00u);

    // And the vertex stage really sees them: a different pixel block fails.
    block[2][1] += 1.0f;
    Clear();
    ASSERT_EQ(device_->BeginScene(), 0);
    ASSERT_EQ(effect->Begin(nullptr, 0), 0);
    ASSERT_EQ(effect->BeginPass(0), 0);
    float vs[64][4];
    std::memcpy(vs, block, sizeof vs);
    vs[2][1] -= 1.0f;
    device_->SetVertexShaderConstantF(0, &vs[0][0], 64);
    device_->SetPixelShaderConstantF(0, &block[0][0], 64);
    device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
    effect->EndPass();
    effect->End();
    device_->EndScene();
    EXPECT_EQ(At(0.0f, 0.0f), 0xFF0000u);
}

// The program's own SetRenderState calls, between draws of one program:
// the alpha test (an upload, no new program), then the stencil test on the
// back buffer's stencil, which a draw of the left half marked.
TEST_F(EffectRender, TheProgramsAlphaTestAndStencilStatesApplyToEffectDraws) {
    ID3DXEffect* effect = Load(std::string(kPassThroughVs) +
                               "float4 ps_main() : COLOR0 { return float4(1, 0, 0, 0.25); }\n" +
                               kTechnique);
    ASSERT_NE(effect, nullptr);
    std::vector<Vertex> vertices;
    AddRect(&vertices, -1, -1, 0, 1);  // left half
    AddRect(&vertices, -1, -1, 1, 1);  // all
    Fill(vertices);
    Clear();
    device_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    device_->SetRenderState(D3DRS_ALPHAREF, 64);  // 0.25 is 64: not greater
    device_->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    device_->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    device_->SetRenderState(D3DRS_STENCILREF, 1);
    Draw(effect, 2);
    EXPECT_EQ(At(-0.5f, 0.0f), 0x000022u) << "a failing alpha writes nothing";
    device_->SetRenderState(D3DRS_ALPHAREF, 63);
    Draw(effect, 2);
    EXPECT_EQ(At(-0.5f, 0.0f), 0xFF0000u);

    // Now only where the stencil holds 1: the left half.
    Clear();
    device_->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    Draw(effect, 2);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000022, 1.0f, 0);
    device_->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    device_->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    ASSERT_EQ(device_->BeginScene(), 0);
    ASSERT_EQ(effect->Begin(nullptr, 0), 0);
    ASSERT_EQ(effect->BeginPass(0), 0);
    device_->DrawPrimitive(D3DPT_TRIANGLELIST, 6, 2);
    effect->EndPass();
    effect->End();
    device_->EndScene();
    device_->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    EXPECT_EQ(At(-0.5f, 0.0f), 0xFF0000u);
    EXPECT_EQ(At(0.5f, 0.0f), 0x000022u);
}

TEST_F(EffectRender, PassStatesApplyInThePassAndEndRestoresThem) {
    const std::string shaders =
        std::string(kPassThroughVs) +
        "float4 ps_main() : COLOR0 { return float4(0.25, 0.25, 0.25, 1.0); }\n";
    ID3DXEffect* blending = Load(shaders +
                                 "technique T { pass P {\n"
                                 "    AlphaBlendEnable = true; SrcBlend = One; DestBlend = One;\n"
                                 "    VertexShader = compile vs_3_0 vs_main();\n"
                                 "    PixelShader = compile ps_3_0 ps_main(); } }\n");
    ID3DXEffect* plain = Load(shaders + kTechnique);
    ASSERT_NE(blending, nullptr);
    ASSERT_NE(plain, nullptr);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    std::vector<Vertex> vertices;
    AddRect(&vertices, -1, -1, 0, 1);  // left half
    AddRect(&vertices, 0, -1, 1, 1);   // right half
    Fill(vertices);
    Clear();
    // Left half twice with the blending technique: the two draws add up.
    Draw(blending, 2, nullptr, nullptr, 0, 2);
    DWORD blend = 1;
    EXPECT_EQ(device_->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend), 0);
    EXPECT_EQ(blend, DWORD{FALSE});

    // Right half twice without: blending is off again, the second draw replaces.
    ASSERT_EQ(device_->BeginScene(), 0);
    ASSERT_EQ(plain->Begin(nullptr, 0), 0);
    ASSERT_EQ(plain->BeginPass(0), 0);
    device_->DrawPrimitive(D3DPT_TRIANGLELIST, 6, 2);
    device_->DrawPrimitive(D3DPT_TRIANGLELIST, 6, 2);
    plain->EndPass();
    plain->End();
    device_->EndScene();

    EXPECT_NEAR(Red(At(-0.5f, 0.0f)), 128, 1);
    EXPECT_NEAR(Red(At(0.5f, 0.0f)), 64, 1);
}

// A 4 x 4 image of sixteen different texels, named by ResourceName and read
// with point filtering: in a pixel shader every pixel of a full-screen quad
// is the texel its centre falls in (top row first, as the file has it); in
// a vs_3_0 vertex shader tex2Dlod reads single texels and the box-filtered
// levels the loader made.
TEST_F(EffectRender, ResourceNameImageIsPointSampledInBothShaderStages) {
    auto texel = [](int x, int y) -> uint32_t {
        return static_cast<uint32_t>((40 + 60 * x) << 16 | (40 + 60 * y) << 8 |
                                     (200 - 30 * (x + y)));
    };
    testing_support::Bytes rgba;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            uint32_t c = texel(x, y);
            rgba.insert(rgba.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255});
        }
    }
    const testing_support::Bytes png = testing_support::EncodePng(4, 4, rgba);
    std::ofstream(dir_ / "texels.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    const std::string declarations =
        "texture Texels < string ResourceName = \"texels.png\"; string ResourceType = \"2D\"; >;\n"
        "sampler2D Point = sampler_state { Texture = <Texels>; MinFilter = Point;\n"
        "    MagFilter = Point; MipFilter = Point; AddressU = Clamp; AddressV = Clamp; };\n"
        "float4 where : register(c0);  // the vertex shader's u, v and LOD\n"
        "struct VSOut {\n"
        "    float4 position : POSITION; float4 color : COLOR0; float2 uv : TEXCOORD0; };\n"
        "VSOut vs_main(float3 p : POSITION, float4 t : TEXCOORD0) {\n"
        "    VSOut o;\n"
        "    o.position = float4(p, 1.0);\n"
        "    o.color = tex2Dlod(Point, float4(where.xy, 0.0, where.z));\n"
        "    o.uv = t.xy;\n"
        "    return o;\n"
        "}\n";
    ID3DXEffect* pixel = Load(declarations +
                              "float4 ps_main(float2 uv : TEXCOORD0) : COLOR0\n"
                              "{ return tex2D(Point, uv); }\n" +
                              kTechnique);
    ID3DXEffect* vertex = Load(declarations +
                               "float4 ps_main(float4 c : COLOR0) : COLOR0 { return c; }\n" +
                               kTechnique);
    ASSERT_NE(pixel, nullptr);
    ASSERT_NE(vertex, nullptr);
    const Vertex tl{-1, 1, 0.5f, 0, 0, 0, 0, 0}, tr{1, 1, 0.5f, 0, 1, 0, 0, 0};
    const Vertex bl{-1, -1, 0.5f, 0, 0, 1, 0, 0}, br{1, -1, 0.5f, 0, 1, 1, 0, 0};
    Fill({tl, tr, br, tl, br, bl});

    Clear();
    Draw(pixel, 2);
    std::vector<uint32_t> pixels;
    ASSERT_EQ(platform::ReadBackBuffer(device_, &pixels), 0);
    // Pixel x samples at u = x / width (Direct3D 9's pixels sit at whole-
    // number screen coordinates): where that is a texel's edge, rounding
    // may give either texel beside it.
    int wrong = 0;
    for (UINT y = 0; y < kHeight; ++y) {
        for (UINT x = 0; x < kWidth; ++x) {
            const uint32_t got = pixels[y * kWidth + x] & 0xFFFFFF;
            const int tx = static_cast<int>(x * 4 / kWidth), ty = static_cast<int>(y * 4 / kHeight);
            const bool edgeX = x * 4 % kWidth == 0 && tx > 0;
            const bool edgeY = y * 4 % kHeight == 0 && ty > 0;
            bool right = got == texel(tx, ty);
            right |= edgeX && got == texel(tx - 1, ty);
            right |= edgeY && got == texel(tx, ty - 1);
            right |= edgeX && edgeY && got == texel(tx - 1, ty - 1);
            if (!right && ++wrong <= 3) ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
        }
    }
    EXPECT_EQ(wrong, 0);

    // Level 1 averages 2 x 2 texels, level 2 all sixteen.
    auto average = [&](int x0, int y0, int n) {
        int sum[3] = {};
        for (int y = y0; y < y0 + n; ++y)
            for (int x = x0; x < x0 + n; ++x)
                for (int k = 0; k < 3; ++k) sum[k] += (texel(x, y) >> (16 - 8 * k)) & 0xFF;
        const int count = n * n;
        return static_cast<uint32_t>((sum[0] / count) << 16 | (sum[1] / count) << 8 |
                                     sum[2] / count);
    };
    const struct {
        float u, v, lod;
        uint32_t expected;
    } reads[] = {{0.125f, 0.125f, 0, texel(0, 0)}, {0.875f, 0.125f, 0, texel(3, 0)},
                 {0.375f, 0.625f, 0, texel(1, 2)}, {0.75f, 0.25f, 1, average(2, 0, 2)},
                 {0.5f, 0.5f, 2, average(0, 0, 4)}};
    for (const auto& r : reads) {
        const float where[4] = {r.u, r.v, r.lod, 0};
        Clear();
        Draw(vertex, 2, where, nullptr, 1);
        const uint32_t got = At(0.0f, 0.0f);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(static_cast<int>((got >> (8 * k)) & 0xFF),
                        static_cast<int>((r.expected >> (8 * k)) & 0xFF), 1)
                << "u " << r.u << " v " << r.v << " LOD " << r.lod;
        }
    }
}

TEST_F(EffectRender, BrokenEffectGivesNoEffectAndItsLine) {
    fs::path path = dir_ / "broken.fx";
    std::ofstream(path) << kPassThroughVs << "float4 ps_main() : COLOR0 { return oops; }\n"
                        << kTechnique;
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    EXPECT_NE(D3DXCreateEffectFromFileA(device_, path.c_str(), nullptr, nullptr, 0, nullptr,
                                        &effect, &errors),
              0);
    EXPECT_EQ(effect, nullptr);
    ASSERT_NE(errors, nullptr);
    EXPECT_NE(std::string(static_cast<const char*>(errors->GetBufferPointer()))
                  .find("(2,36): error: 'oops': unknown variable"),
              std::string::npos);
    errors->Release();
}

}  // namespace
