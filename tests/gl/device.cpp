// The GL device on a real GL 4.5 core context (Mesa, SDL's offscreen
// driver): clear colour, vertex layout and diffuse decoding, culling
// convention, blending, buffer discard, constant upload, Present scaling and
// shader compile failures, all checked by reading pixels back.
#include "platform/gfx/gfx.h"
#include "platform/gfx/gl_device.h"
#include "platform/window/window.h"
#include "tests/support/gl_test_device.h"
#include "platform/window/window_sdl.h"

#include <SDL.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Vertex {
    float x, y, z;
    uint32_t diffuse;
    float u, v, w, t;
};
static_assert(sizeof(Vertex) == 32);

constexpr DWORD kFvf = 0x20142;
constexpr UINT kWidth = 640;
constexpr UINT kHeight = 480;

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
            if (program_) device_->DeleteShaderProgram(program_);
            device_->Release();
        }
        if (d3d_) d3d_->Release();
    }

    void MakeProgram() {
        std::string log;
        ASSERT_EQ(device_->CreateShaderProgram(kVertexShader, kPixelShader, &program_, &log), 0)
            << log;
        ASSERT_GT(program_, 0u);
        device_->SetShaderProgram(program_);
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
    EXPECT_NE(device_->SetVertexShaderConstantF(60, offset, 5), 0);
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
    SDL_SetWindowSize(window, 640, 480);
}

TEST_F(GlDeviceTest, BrokenShaderGivesAnErrorAndALog) {
    UINT program = 123;
    std::string log;
    HRESULT hr = device_->CreateShaderProgram("#version 450\nvoid main() { oops }\n",
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
    hr = device_->CreateShaderProgram(noOutput, unmatched, &program, &log);
    EXPECT_NE(hr, 0);
    EXPECT_FALSE(log.empty());
    EXPECT_NE(device_->SetShaderProgram(program + 1000), 0);
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
