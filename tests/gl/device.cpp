// The GL device on a real GL 4.5 core context (Mesa, SDL's offscreen
// driver): clear colour, vertex layout and diffuse decoding, culling
// convention, blending, buffer discard, constant upload, Present scaling and
// shader compile failures, all checked by reading pixels back.
#include "platform/gfx/gfx.h"
#include "platform/gfx/gl_device.h"
#include "platform/gfx/shader_programs.h"
#include "platform/window/window.h"
#include "tests/support/gl_test_device.h"
#include "platform/window/window_sdl.h"

#include <SDL.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Vertex = testing_support::TestVertex;
constexpr DWORD kFvf = testing_support::kTestFvf;
constexpr UINT kWidth = testing_support::kTestWidth;
constexpr UINT kHeight = testing_support::kTestHeight;

// Passes position through, scaled by c1 and offset by c0; the pixel colour
// is the diffuse colour times ps_c[0]. Texcoord feeds in so it stays active.
const char* const kVertexShader = R"(#version 450
layout(location = 0) in vec3 position;
layout(location = 1) in vec4 color;
layout(location = 2) in vec4 texcoord;
uniform vec4 vs_c[2];
layout(location = 0) out vec4 vColor;
void main() {
    gl_Position = vec4(position.xy * vs_c[1].xy + vs_c[0].xy, position.z, 1.0 + texcoord.w * 0.0);
    gl_Position.y = -gl_Position.y;  // the device's targets hold the top row first
    vColor = color;
}
)";

const char* const kPixelShader = R"(#version 450
layout(location = 0) in vec4 vColor;
uniform vec4 ps_c[1];
layout(location = 0) out vec4 fragColor;
void main() { fragColor = vColor * ps_c[0]; }
)";

using testing_support::TestWindow;

class GlDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = TestWindow();
        ASSERT_NE(window_, nullptr) << GetPlatformErrorText();
        testing_support::CreateTestDevice(&d3d_, &device_);
        ASSERT_NE(d3d_, nullptr) << GetPlatformErrorText();
        ASSERT_NE(device_, nullptr) << GetPlatformErrorText();
    }

    void TearDown() override {
        if (buffer_) buffer_->Release();
        if (device_) {
            if (program_) Programs()->DeleteShaderProgram(program_);
            device_->Release();
        }
        if (d3d_) d3d_->Release();
    }

    // The device's shader programs, which the effect compiler uses.
    platform::ShaderPrograms* Programs() { return platform::GetShaderPrograms(device_); }

    // timeLimitMs > 0: made on the device's link thread, with that deadline.
    void MakeProgram(int timeLimitMs = 0) {
        std::string log;
        HRESULT hr = timeLimitMs > 0 ? Programs()->CreateShaderProgramWithin(
                                           timeLimitMs, kVertexShader, kPixelShader, &program_, &log)
                                     : Programs()->CreateShaderProgram(kVertexShader, kPixelShader,
                                                                       &program_, &log);
        ASSERT_EQ(hr, 0) << log;
        ASSERT_GT(program_, 0u);
        Programs()->SetShaderProgram(program_);
        const float vs[2][4] = {{0, 0, 0, 0}, {1, 1, 0, 0}};  // no offset, unit scale
        const float ps[1][4] = {{1, 1, 1, 1}};
        device_->SetVertexShaderConstantF(0, &vs[0][0], 2);
        device_->SetPixelShaderConstantF(0, &ps[0][0], 1);
    }

    void MakeBuffer(UINT vertices) {
        ASSERT_EQ(device_->CreateVertexBuffer(vertices * sizeof(Vertex),
                                              D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, kFvf,
                                              D3DPOOL_DEFAULT, &buffer_, nullptr),
                  0);
        device_->SetStreamSource(0, buffer_, 0, sizeof(Vertex));
        device_->SetFVF(kFvf);
    }

    // Writes the whole buffer through a discarding lock.
    void Fill(const std::vector<Vertex>& vertices) {
        void* data = nullptr;
        ASSERT_EQ(buffer_->Lock(0, 0, &data, D3DLOCK_DISCARD), 0);
        std::memcpy(data, vertices.data(), vertices.size() * sizeof(Vertex));
        ASSERT_EQ(buffer_->Unlock(), 0);
    }

    // An axis-aligned rectangle in clip space as two triangles, clockwise on
    // screen (the front-facing order).
    static void AddRect(std::vector<Vertex>* out, float x0, float y0, float x1, float y1,
                        uint32_t color) {
        Vertex tl{x0, y1, 0.5f, color, 0, 0, 0, 1}, tr{x1, y1, 0.5f, color, 0, 0, 0, 1};
        Vertex bl{x0, y0, 0.5f, color, 0, 0, 0, 1}, br{x1, y0, 0.5f, color, 0, 0, 0, 1};
        for (const Vertex& v : {tl, tr, br, tl, br, bl}) out->push_back(v);
    }

    std::vector<uint32_t> Pixels() {
        std::vector<uint32_t> pixels;
        UINT width = 0, height = 0;
        EXPECT_EQ(platform::ReadBackBuffer(device_, &pixels, &width, &height), 0);
        EXPECT_EQ(width, kWidth);
        EXPECT_EQ(height, kHeight);
        return pixels;
    }

    // RGB of the pixel at (x, y) counted from the top-left corner.
    uint32_t At(const std::vector<uint32_t>& pixels, UINT x, UINT y) {
        return pixels[y * kWidth + x] & 0xFFFFFF;
    }

    void Frame(UINT triangles) {
        device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL,
                       0x00000022, 1.0f, 0);
        ASSERT_EQ(device_->BeginScene(), 0);
        EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles), 0);
        EXPECT_EQ(device_->EndScene(), 0);
    }

    HWND window_ = nullptr;
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    IDirect3DVertexBuffer9* buffer_ = nullptr;
    UINT program_ = 0;
};

TEST_F(GlDeviceTest, ClearGivesTheD3dColourEverywhere) {
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0x00000022,
                   1.0f, 0);
    auto pixels = Pixels();
    EXPECT_EQ(At(pixels, 0, 0), 0x000022u);
    EXPECT_EQ(At(pixels, 639, 479), 0x000022u);

    // A rectangle clear counts rows from the top.
    D3DRECT rect{0, 0, 10, 10};
    device_->Clear(1, &rect, D3DCLEAR_TARGET, 0x00FF8000, 1.0f, 0);
    pixels = Pixels();
    EXPECT_EQ(At(pixels, 5, 5), 0xFF8000u);
    EXPECT_EQ(At(pixels, 5, 475), 0x000022u);
}

TEST_F(GlDeviceTest, DefaultStatesAreTheOriginalDevicesDefaults) {
    auto state = [&](D3DRENDERSTATETYPE type) {
        DWORD value = 0;
        EXPECT_EQ(device_->GetRenderState(type, &value), 0);
        return value;
    };
    // Drawing relies on the source blend defaulting to one.
    EXPECT_EQ(state(D3DRS_SRCBLEND), DWORD{D3DBLEND_ONE});
    EXPECT_EQ(state(D3DRS_DESTBLEND), DWORD{D3DBLEND_ZERO});
    EXPECT_EQ(state(D3DRS_ALPHABLENDENABLE), DWORD{FALSE});
    EXPECT_EQ(state(D3DRS_CULLMODE), DWORD{D3DCULL_CCW});
    EXPECT_EQ(state(D3DRS_ZENABLE), DWORD{D3DZB_TRUE});
    EXPECT_EQ(state(D3DRS_ZFUNC), DWORD{D3DCMP_LESSEQUAL});

    device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    DWORD value = 0;
    EXPECT_EQ(device_->GetSamplerState(0, D3DSAMP_MAGFILTER, &value), 0);
    EXPECT_EQ(value, DWORD{D3DTEXF_LINEAR});
    EXPECT_NE(device_->GetSamplerState(D3D_SAMPLER_STAGES, D3DSAMP_MAGFILTER, &value), 0);
}

TEST_F(GlDeviceTest, TriangleListLandsTopLeftWithDiffuseDecodedAsD3dColor) {
    MakeProgram();
    MakeBuffer(6);
    std::vector<Vertex> vertices;
    // Upper-left quarter of clip space; 0xAARRGGBB with blue in the low byte.
    AddRect(&vertices, -1.0f, 0.0f, 0.0f, 1.0f, 0xFF102030);
    Fill(vertices);
    Frame(2);
    auto pixels = Pixels();
    EXPECT_EQ(At(pixels, 160, 120), 0x102030u);
    EXPECT_EQ(At(pixels, 480, 120), 0x000022u);
    EXPECT_EQ(At(pixels, 160, 360), 0x000022u);
}

TEST_F(GlDeviceTest, ConstantsReachTheProgramWhenChanged) {
    MakeProgram();
    MakeBuffer(6);
    std::vector<Vertex> vertices;
    AddRect(&vertices, -1.0f, 0.0f, 0.0f, 1.0f, 0xFF808080);
    Fill(vertices);
    Frame(2);

    // Move the rectangle right by one unit (c0) and halve the colour (ps c0).
    const float offset[4] = {1, 0, 0, 0};
    const float half[4] = {0.5f, 0.5f, 0.5f, 1};
    device_->SetVertexShaderConstantF(0, offset, 1);
    device_->SetPixelShaderConstantF(0, half, 1);
    Frame(2);
    auto pixels = Pixels();
    EXPECT_EQ(At(pixels, 160, 120), 0x000022u);
    uint32_t moved = At(pixels, 480, 120);
    EXPECT_NEAR(static_cast<int>(moved >> 16), 0x40, 1);

    // Out of range registers are refused, not written past the block.
    EXPECT_NE(device_->SetVertexShaderConstantF(252, offset, 5), 0);
}

TEST_F(GlDeviceTest, DefaultCullingDropsCounterClockwiseTriangles) {
    MakeProgram();
    MakeBuffer(6);
    std::vector<Vertex> vertices;
    AddRect(&vertices, -1.0f, 0.0f, 0.0f, 1.0f, 0xFFFFFFFF);
    // Reverse the second rectangle's winding: counter-clockwise on screen.
    std::swap(vertices[1], vertices[2]);
    std::swap(vertices[4], vertices[5]);
    Fill(vertices);
    Frame(2);
    auto pixels = Pixels();
    EXPECT_EQ(At(pixels, 160, 120), 0x000022u);

    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    Frame(2);
    pixels = Pixels();
    EXPECT_EQ(At(pixels, 160, 120), 0xFFFFFFu);
}

TEST_F(GlDeviceTest, DestinationBlendOneAddsColour) {
    MakeProgram();
    MakeBuffer(12);
    std::vector<Vertex> vertices;
    AddRect(&vertices, -1.0f, -1.0f, 1.0f, 1.0f, 0x00100000);
    AddRect(&vertices, -1.0f, 0.0f, 1.0f, 1.0f, 0x00100000);  // top half twice
    Fill(vertices);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    Frame(4);
    auto pixels = Pixels();
    EXPECT_EQ(At(pixels, 320, 360), 0x100022u);
    EXPECT_EQ(At(pixels, 320, 120), 0x200022u);
}

// Every blend factor as source and as destination, and every blend op, each
// drawn as one 32 x 32 tile over a known destination and checked against the
// factor's definition: (Rs, Gs, Bs, As), (1 - As, ...), (f, f, f, 1) with
// f = min(As, 1 - Ad), ... A back buffer without alpha (X8R8G8B8, what the
// program asks for) reads its destination alpha as 1.
TEST_F(GlDeviceTest, BlendFactorsAndOpsFollowTheirDefinitions) {
    const D3DCOLOR source = 0x60C05018, destination = 0xB03098E8;
    const double s[4] = {0xC0 / 255.0, 0x50 / 255.0, 0x18 / 255.0, 0x60 / 255.0};  // R, G, B, A
    const D3DCOLOR blendFactor = 0x40A0C020;
    const double f[4] = {0xA0 / 255.0, 0xC0 / 255.0, 0x20 / 255.0, 0x40 / 255.0};
    struct Case {
        DWORD src, dst, op;
    };
    std::vector<Case> cases;
    for (DWORD src = D3DBLEND_ZERO; src <= D3DBLEND_SRCALPHASAT; ++src) {
        for (DWORD dst = D3DBLEND_ZERO; dst <= D3DBLEND_SRCALPHASAT; ++dst) {
            cases.push_back({src, dst, D3DBLENDOP_ADD});
        }
    }
    // The blend factor (BLENDFACTOR below) and the two source-only factors,
    // which set the destination's too, whatever DESTBLEND says.
    cases.push_back({D3DBLEND_BLENDFACTOR, D3DBLEND_INVBLENDFACTOR, D3DBLENDOP_ADD});
    cases.push_back({D3DBLEND_BOTHSRCALPHA, D3DBLEND_ONE, D3DBLENDOP_ADD});
    cases.push_back({D3DBLEND_BOTHINVSRCALPHA, D3DBLEND_ZERO, D3DBLENDOP_ADD});
    for (DWORD op = D3DBLENDOP_SUBTRACT; op <= D3DBLENDOP_MAX; ++op) {
        cases.push_back({D3DBLEND_ONE, D3DBLEND_ONE, op});
        cases.push_back({D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, op});
        cases.push_back({D3DBLEND_DESTCOLOR, D3DBLEND_SRCCOLOR, op});
    }

    for (D3DFORMAT format : {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8}) {
        if (format == D3DFMT_A8R8G8B8) {  // a second device, with an alpha channel
            buffer_->Release();
            buffer_ = nullptr;
            device_->Release();
            D3DPRESENT_PARAMETERS params{kWidth, kHeight, format, 1, D3DMULTISAMPLE_NONE, 0,
                                         D3DSWAPEFFECT_DISCARD, window_, TRUE, TRUE, D3DFMT_D24S8,
                                         0, 0, D3DPRESENT_INTERVAL_IMMEDIATE};
            d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
                               D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device_);
            ASSERT_NE(device_, nullptr) << GetPlatformErrorText();
        }
        const double d[4] = {0x30 / 255.0, 0x98 / 255.0, 0xE8 / 255.0,
                             format == D3DFMT_A8R8G8B8 ? 0xB0 / 255.0 : 1.0};
        auto factor = [&](DWORD blend, int ch) {
            switch (blend) {
                case D3DBLEND_ZERO: return 0.0;
                case D3DBLEND_ONE: return 1.0;
                case D3DBLEND_SRCCOLOR: return s[ch];
                case D3DBLEND_INVSRCCOLOR: return 1.0 - s[ch];
                case D3DBLEND_SRCALPHA: return s[3];
                case D3DBLEND_INVSRCALPHA: return 1.0 - s[3];
                case D3DBLEND_DESTALPHA: return d[3];
                case D3DBLEND_INVDESTALPHA: return 1.0 - d[3];
                case D3DBLEND_DESTCOLOR: return d[ch];
                case D3DBLEND_INVDESTCOLOR: return 1.0 - d[ch];
                case D3DBLEND_BLENDFACTOR: return f[ch];
                case D3DBLEND_INVBLENDFACTOR: return 1.0 - f[ch];
                case D3DBLEND_BOTHSRCALPHA: return s[3];
                case D3DBLEND_BOTHINVSRCALPHA: return 1.0 - s[3];
                default: return ch == 3 ? 1.0 : std::min(s[3], 1.0 - d[3]);  // SRCALPHASAT
            }
        };

        MakeProgram();
        MakeBuffer(static_cast<UINT>(cases.size()) * 6);
        std::vector<Vertex> vertices;
        for (size_t i = 0; i < cases.size(); ++i) {  // 20 tiles a row
            float x = -1.0f + 0.1f * static_cast<float>(i % 20);
            float y = 1.0f - 2.0f / 15.0f * static_cast<float>(i / 20);
            AddRect(&vertices, x, y - 2.0f / 15.0f, x + 0.1f, y, source);
        }
        Fill(vertices);
        device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device_->SetRenderState(D3DRS_BLENDFACTOR, blendFactor);
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, destination, 1.0f, 0);
        for (size_t i = 0; i < cases.size(); ++i) {
            device_->SetRenderState(D3DRS_SRCBLEND, cases[i].src);
            device_->SetRenderState(D3DRS_DESTBLEND, cases[i].dst);
            device_->SetRenderState(D3DRS_BLENDOP, cases[i].op);
            device_->DrawPrimitive(D3DPT_TRIANGLELIST, static_cast<UINT>(i) * 6, 2);
        }
        if (format == D3DFMT_X8R8G8B8) {  // stored without alpha: no mask on every draw
            GLint alphaBits = -1;
            glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                                  GL_FRAMEBUFFER_ATTACHMENT_ALPHA_SIZE, &alphaBits);
            GLboolean mask[4] = {};
            glGetBooleanv(GL_COLOR_WRITEMASK, mask);
            EXPECT_EQ(alphaBits, 0);
            EXPECT_TRUE(mask[3]);
        }
        auto pixels = Pixels();

        for (size_t i = 0; i < cases.size(); ++i) {
            const Case& c = cases[i];
            uint32_t pixel = pixels[(i / 20 * 32 + 16) * kWidth + i % 20 * 32 + 16];
            for (int ch = 0; ch < 4; ++ch) {  // R, G, B, A
                const DWORD dst = c.src == D3DBLEND_BOTHSRCALPHA      ? D3DBLEND_INVSRCALPHA
                                  : c.src == D3DBLEND_BOTHINVSRCALPHA ? D3DBLEND_SRCALPHA
                                                                      : c.dst;
                double a = s[ch] * factor(c.src, ch), b = d[ch] * factor(dst, ch);
                double v = c.op == D3DBLENDOP_ADD           ? a + b
                           : c.op == D3DBLENDOP_SUBTRACT    ? a - b
                           : c.op == D3DBLENDOP_REVSUBTRACT ? b - a
                           : c.op == D3DBLENDOP_MIN         ? std::min(s[ch], d[ch])
                                                            : std::max(s[ch], d[ch]);
                long expected = std::lround(std::clamp(v, 0.0, 1.0) * 255.0);
                if (ch == 3 && format == D3DFMT_X8R8G8B8) expected = 255;  // no alpha stored
                long actual = (pixel >> (ch == 3 ? 24 : 16 - 8 * ch)) & 0xFF;
                EXPECT_NEAR(actual, expected, 1) << "format " << format << ", src " << c.src
                                                 << ", dst " << c.dst << ", op " << c.op
                                                 << ", channel " << ch;
            }
        }
    }
}

TEST_F(GlDeviceTest, DiscardLockRewritesTheWholeBufferEachFrame) {
    MakeProgram();
    MakeBuffer(6);
    std::vector<Vertex> first, second;
    AddRect(&first, -1.0f, 0.0f, 0.0f, 1.0f, 0xFFFF0000);
    AddRect(&second, 0.0f, -1.0f, 1.0f, 0.0f, 0xFF00FF00);
    Fill(first);
    Frame(2);
    device_->Present(nullptr, nullptr, nullptr, nullptr);
    Fill(second);
    Frame(2);
    auto pixels = Pixels();
    EXPECT_EQ(At(pixels, 160, 120), 0x000022u);
    EXPECT_EQ(At(pixels, 480, 360), 0x00FF00u);
}

TEST_F(GlDeviceTest, DrawsAreSkippedWithoutProgramStreamOrRoom) {
    MakeBuffer(6);
    std::vector<Vertex> vertices;
    AddRect(&vertices, -1.0f, -1.0f, 1.0f, 1.0f, 0xFFFFFFFF);
    Fill(vertices);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000022, 1.0f, 0);
    EXPECT_NE(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), 0);  // no program
    MakeProgram();
    EXPECT_NE(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 3), 0);  // past the buffer end
    device_->SetStreamSource(0, nullptr, 0, 0);
    EXPECT_NE(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), 0);  // no stream
    auto pixels = Pixels();
    EXPECT_EQ(At(pixels, 320, 240), 0x000022u);

    // Locking twice, or unlocking what is not locked, is refused.
    void* data = nullptr;
    ASSERT_EQ(buffer_->Lock(0, 0, &data, D3DLOCK_DISCARD), 0);
    EXPECT_NE(buffer_->Lock(0, 0, &data, D3DLOCK_DISCARD), 0);
    EXPECT_EQ(buffer_->Unlock(), 0);
    EXPECT_NE(buffer_->Unlock(), 0);
}

TEST_F(GlDeviceTest, PresentScalesIntoTheWindowsDrawable) {
    MakeProgram();
    MakeBuffer(6);
    std::vector<Vertex> vertices;
    AddRect(&vertices, -1.0f, 0.0f, 0.0f, 1.0f, 0xFFFFFFFF);
    Fill(vertices);
    SDL_Window* window = platform::GetSdlWindow(window_);
    SDL_SetWindowSize(window, 320, 240);
    Frame(2);
    device_->Present(nullptr, nullptr, nullptr, nullptr);
    int width = 0, height = 0;
    ASSERT_EQ(platform::GetLastPresentSize(device_, &width, &height), 0);
    int drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    EXPECT_EQ(width, drawableWidth);
    EXPECT_EQ(height, drawableHeight);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);

    // The window's own framebuffer shows the white top-left quarter scaled
    // down to 160 x 120, right side up; the rest is the clear colour.
    std::vector<uint32_t> shown(320 * 240);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, 320, 240, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, shown.data());
    auto shownAt = [&](int x, int yFromTop) { return shown[(239 - yFromTop) * 320 + x] & 0xFFFFFF; };
    EXPECT_EQ(shownAt(80, 60), 0xFFFFFFu);
    EXPECT_EQ(shownAt(156, 116), 0xFFFFFFu);
    EXPECT_EQ(shownAt(164, 60), 0x000022u);
    EXPECT_EQ(shownAt(80, 124), 0x000022u);
    EXPECT_EQ(shownAt(240, 180), 0x000022u);
    SDL_SetWindowSize(window, 640, 480);
}

TEST_F(GlDeviceTest, BrokenShaderGivesAnErrorAndALog) {
    UINT program = 123;
    std::string log;
    HRESULT hr = Programs()->CreateShaderProgram("#version 450\nvoid main() { oops }\n",
                                              kPixelShader, &program, &log);
    EXPECT_NE(hr, 0);
    EXPECT_EQ(program, 0u);
    EXPECT_NE(log.find("vertex"), std::string::npos) << log;

    // A pixel shader that reads an input the vertex stage never writes fails
    // to link; the log says so, and no program is left behind.
    const char* unmatched = R"(#version 450
in vec4 missing;
out vec4 fragColor;
void main() { fragColor = missing; }
)";
    const char* noOutput = "#version 450\nvoid main() { gl_Position = vec4(0); }\n";
    hr = Programs()->CreateShaderProgram(noOutput, unmatched, &program, &log);
    EXPECT_NE(hr, 0);
    EXPECT_FALSE(log.empty());
    EXPECT_NE(Programs()->SetShaderProgram(program + 1000), 0);
}

TEST_F(GlDeviceTest, LinksWithADeadlineDrawOrAreAbandoned) {
    // A program linked on the link thread draws on the device's context.
    MakeProgram(5000);
    MakeBuffer(6);
    std::vector<Vertex> vertices;
    AddRect(&vertices, -1.0f, 0.0f, 0.0f, 1.0f, 0xFF102030);
    Fill(vertices);
    Frame(2);
    EXPECT_EQ(At(Pixels(), 160, 120), 0x102030u);

    // A driver slower than the deadline: the call returns at the deadline and
    // the device goes on drawing; the abandoned link holds the thread until
    // the driver is done, and the next link waits for it within its own.
    // A call that waited for the driver would find the link done; one that
    // returns at its deadline leaves the thread busy, which the next case
    // sees. No wall-clock bound: a busy machine may stall the test itself.
    const struct {
        int driverMs;  // how long the driver takes (the test hook)
        int deadlineMs;
        const char* pixel;
        HRESULT result;
        const char* says;
    } cases[] = {
        {4000, 200, kPixelShader, D3DERR_WASSTILLDRAWING, "still compiling and linking"},
        {0, 200, kPixelShader, D3DERR_WASSTILLDRAWING, "still busy with shaders abandoned"},
        {0, 60000, kPixelShader, S_OK, ""},
        {0, 60000, "#version 450\nvoid main() { oops }\n", E_FAIL, "pixel shader failed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        platform::SetLinkDelayForTesting(c.driverMs);
        UINT program = 0;
        std::string log;
        HRESULT hr = Programs()->CreateShaderProgramWithin(c.deadlineMs, kVertexShader, c.pixel,
                                                           &program, &log);
        platform::SetLinkDelayForTesting(0);
        EXPECT_EQ(hr, c.result) << log;
        EXPECT_NE(log.find(c.says), std::string::npos) << log;
        EXPECT_EQ(program != 0, hr == S_OK);
        if (program != 0) Programs()->DeleteShaderProgram(program);
        Frame(2);
        EXPECT_EQ(At(Pixels(), 160, 120), 0x102030u);
    }
}

TEST_F(GlDeviceTest, BufferOutlivingItsDeviceIsReleasedSafely) {
    MakeBuffer(6);
    device_->Release();
    device_ = nullptr;
    void* data = nullptr;
    EXPECT_NE(buffer_->Lock(0, 0, &data, D3DLOCK_DISCARD), 0);
    buffer_->Release();
    buffer_ = nullptr;
}

}  // namespace
