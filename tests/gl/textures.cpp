// Textures on the GL device, read back as pixels: small GLSL programs
// sample textures made here through the device's texture calls.
//  - a 4 x 4 checkerboard with two solid mip levels under the sampler states
//    (point / linear, wrap / mirror / clamp / border, mip filter none / point
//    / linear at an explicit LOD), in the pixel and the vertex stage;
//  - every pixel of a magnified checkerboard with wrap and clamp addressing;
//  - each upload format (RGBA8, BGRA8, DXT1 / DXT3 / DXT5 made with stb_dxt),
//    a cube map face picked by direction, a volume slice;
//  - stages going back to the opaque black stand-in, refused calls.
#include "platform/gfx/device_textures.h"
#include "platform/gfx/gfx.h"
#include "platform/gfx/gl_device.h"
#include "platform/gfx/shader_programs.h"
#include "platform/gfx/texture_image.h"
#include "platform/window/window.h"
#include "tests/support/gl_test_device.h"
#include "tests/support/image_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using platform::TextureFormat;
using platform::TextureImage;
using platform::TextureKind;
using testing_support::Bytes;
using Vertex = testing_support::TestVertex;
constexpr UINT kWidth = testing_support::kTestWidth;
constexpr UINT kHeight = testing_support::kTestHeight;

// The full-screen quad carries (u, v) = (0, 0) at the top-left corner
// (clip-space y turned over for the device's top-row-first targets).
const char* const kQuadVs = R"(#version 450
layout(location = 0) in vec3 position;
layout(location = 2) in vec4 texcoord;
layout(location = 0) out vec4 vColor;
layout(location = 1) out vec2 vUv;
void main() {
    gl_Position = vec4(position.x, -position.y, position.z, 1.0);
    vUv = texcoord.xy;
    vColor = vec4(0.0);
}
)";

// Samples stage 2 (2D) at uv = vUv * ps_c[0].xy + ps_c[0].zw with LOD
// ps_c[1].x; with ps_c[1].y = 1 or 2, stage 3 (cube) or 4 (volume) at ps_c[2].
const char* const kSamplePs = R"(#version 450
layout(binding = 2) uniform sampler2D image;
layout(binding = 3) uniform samplerCube cube;
layout(binding = 4) uniform sampler3D volume;
uniform vec4 ps_c[3];
layout(location = 1) in vec2 vUv;
layout(location = 0) out vec4 fragColor;
void main() {
    vec4 s = ps_c[1].y == 1.0 ? textureLod(cube, ps_c[2].xyz, 0.0)
           : ps_c[1].y == 2.0 ? textureLod(volume, ps_c[2].xyz, 0.0)
           : textureLod(image, vUv * ps_c[0].xy + ps_c[0].zw, ps_c[1].x);
    // The back buffer keeps no alpha: with ps_c[1].z = 1 the alpha shows as grey.
    fragColor = ps_c[1].z == 1.0 ? vec4(s.aaa, 1.0) : s;
}
)";

// Vertex texture fetch: the vertex stage samples stage 2 at vs_c[0].zw with
// LOD vs_c[1].x and hands the colour on.
const char* const kVertexFetchVs = R"(#version 450
layout(location = 0) in vec3 position;
layout(binding = 2) uniform sampler2D image;
uniform vec4 vs_c[2];
layout(location = 0) out vec4 vColor;
layout(location = 1) out vec2 vUv;
void main() {
    gl_Position = vec4(position.x, -position.y, position.z, 1.0);
    vColor = textureLod(image, vs_c[0].zw, vs_c[1].x);
    vUv = vec2(0.0);
}
)";

const char* const kColourPs = R"(#version 450
layout(location = 0) in vec4 vColor;
layout(location = 0) out vec4 fragColor;
void main() { fragColor = vColor; }
)";

// Texels given as the back buffer's 0xAARRGGBB words, as R, G, B, A bytes.
Bytes Texels(std::initializer_list<uint32_t> argb, int repeat = 1) {
    Bytes out;
    for (int i = 0; i < repeat; ++i) {
        for (uint32_t c : argb) {
            out.insert(out.end(),
                       {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 24)});
        }
    }
    return out;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// An image of any format holding these bytes (face-major, level by level).
TextureImage Image(TextureKind kind, TextureFormat format, uint32_t width, uint32_t height,
                   uint32_t depth, uint32_t levels, const Bytes& bytes) {
    TextureImage image;
    std::string error;
    EXPECT_TRUE(platform::LayoutTextureImage(&image, kind, format, width, height, depth, levels,
                                             uint64_t{1} << 30, &error))
        << error;
    EXPECT_EQ(image.bytes.size(), bytes.size());
    std::memcpy(image.bytes.data(), bytes.data(), std::min(bytes.size(), image.bytes.size()));
    return image;
}
TextureImage Flat(TextureFormat format, uint32_t width, const Bytes& bytes) {
    return Image(TextureKind::Texture2D, format, width, width, 1, 1, bytes);
}

// Checkerboard texels (even A, odd B) at level 0, solid R1 at level 1 and
// G2 at level 2.
constexpr uint32_t kA = 0xFFF01010, kB = 0xFF1010F0, kR1 = 0xFFC80000, kG2 = 0xFF00C800;

TextureImage Checkerboard() {
    Bytes texels;
    for (int i = 0; i < 16; ++i) texels = texels + Texels({((i + i / 4) & 1) != 0 ? kB : kA});
    texels = texels + Texels({kR1}, 4) + Texels({kG2});
    return Image(TextureKind::Texture2D, TextureFormat::RGBA8, 4, 4, 1, 3, texels);
}

void ExpectColour(uint32_t got, uint32_t want, int tolerance, const std::string& what) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int g = static_cast<int>((got >> shift) & 0xFF);
        const int w = static_cast<int>((want >> shift) & 0xFF);
        EXPECT_NEAR(g, w, tolerance) << what << ": got " << std::hex << got << ", want " << want;
    }
}

class Textures : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(testing_support::TestWindow(), nullptr) << GetPlatformErrorText();
        testing_support::CreateTestDevice(&d3d_, &device_);
        ASSERT_NE(device_, nullptr) << GetPlatformErrorText();
        ASSERT_EQ(device_->CreateVertexBuffer(6 * sizeof(Vertex), D3DUSAGE_DYNAMIC,
                                              testing_support::kTestFvf, D3DPOOL_DEFAULT, &buffer_,
                                              nullptr),
                  0);
        const Vertex tl{-1, 1, 0.5f, 0, 0, 0, 0, 0}, tr{1, 1, 0.5f, 0, 1, 0, 0, 0};
        const Vertex bl{-1, -1, 0.5f, 0, 0, 1, 0, 0}, br{1, -1, 0.5f, 0, 1, 1, 0, 0};
        const Vertex quad[6] = {tl, tr, br, tl, br, bl};
        void* data = nullptr;
        ASSERT_EQ(buffer_->Lock(0, 0, &data, D3DLOCK_DISCARD), 0);
        std::memcpy(data, quad, sizeof quad);
        buffer_->Unlock();
        device_->SetStreamSource(0, buffer_, 0, sizeof(Vertex));
        device_->SetFVF(testing_support::kTestFvf);
        device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    }

    void TearDown() override {
        if (device_ != nullptr) {
            for (UINT program : programs_) Programs()->DeleteShaderProgram(program);
            for (UINT texture : textures_) DeviceTex()->DeleteTexture(texture);
            device_->Release();
        }
        if (buffer_) buffer_->Release();
        if (d3d_) d3d_->Release();
    }

    UINT Program(const char* vs, const char* ps) {
        UINT program = 0;
        std::string log;
        EXPECT_EQ(Programs()->CreateShaderProgram(vs, ps, &program, &log), 0) << log;
        programs_.push_back(program);
        return program;
    }

    UINT Texture(const TextureImage& image) {
        UINT texture = 0;
        std::string error;
        EXPECT_EQ(DeviceTex()->CreateTexture(image, &texture, &error), 0) << error;
        textures_.push_back(texture);
        return texture;
    }

    // Draws the quad with the program and constants; the pixels, top row first.
    std::vector<uint32_t> Draw(UINT program, const float (&ps)[3][4], const float (&vs)[2][4]) {
        Programs()->SetShaderProgram(program);
        device_->SetPixelShaderConstantF(0, &ps[0][0], 3);
        device_->SetVertexShaderConstantF(0, &vs[0][0], 2);
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000022, 1.0f, 0);
        device_->BeginScene();
        EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), 0);
        device_->EndScene();
        std::vector<uint32_t> pixels;
        EXPECT_EQ(platform::ReadBackBuffer(device_, &pixels), 0);
        return pixels;
    }

    // The centre pixel, for programs that sample one point everywhere.
    uint32_t Sample(UINT program, const float (&ps)[3][4], const float (&vs)[2][4] = {}) {
        return Draw(program, ps, vs)[(kHeight / 2) * kWidth + kWidth / 2];
    }

    IDirect3D9* d3d_ = nullptr;
    // The device's internal sides that the effect compiler uses.
    platform::ShaderPrograms* Programs() { return platform::GetShaderPrograms(device_); }
    platform::DeviceTextures* DeviceTex() { return platform::GetDeviceTextures(device_); }

    IDirect3DDevice9* device_ = nullptr;
    IDirect3DVertexBuffer9* buffer_ = nullptr;
    std::vector<UINT> programs_;
    std::vector<UINT> textures_;
};

TEST_F(Textures, SamplerStatesApplyToARealTexture) {
    const UINT pixelProgram = Program(kQuadVs, kSamplePs);
    const UINT vertexProgram = Program(kVertexFetchVs, kColourPs);
    DeviceTex()->SetStageTexture(2, Texture(Checkerboard()));
    device_->SetSamplerState(2, D3DSAMP_BORDERCOLOR, 0xFF00FF00);

    constexpr DWORD P = D3DTEXF_POINT, L = D3DTEXF_LINEAR, N = D3DTEXF_NONE;
    constexpr DWORD W = D3DTADDRESS_WRAP, C = D3DTADDRESS_CLAMP, M = D3DTADDRESS_MIRROR,
                    B = D3DTADDRESS_BORDER;
    constexpr uint32_t half = 0xFF801080;  // A and B half and half
    const struct {
        const char* name;
        bool vertexStage;
        DWORD filter, mip, addressU, addressV;
        float u, v, lod;
        uint32_t expected;
    } cases[] = {
        {"point, texel 1", false, P, N, W, W, 0.30f, 0.125f, 0, kB},
        {"linear, between texels 0 and 1", false, L, N, W, W, 0.25f, 0.125f, 0, half},
        {"point wrap past the right edge", false, P, N, W, W, 1.125f, 0.125f, 0, kA},
        {"point clamp past the right edge", false, P, N, C, W, 1.125f, 0.125f, 0, kB},
        {"point mirror past the right edge", false, P, N, M, W, 1.375f, 0.125f, 0, kA},
        {"point border", false, P, N, B, W, 1.5f, 0.125f, 0, 0xFF00FF00},
        {"point clamp below the bottom edge", false, P, N, W, C, 0.125f, 1.125f, 0, kB},
        {"linear wrap at the left edge", false, L, N, W, W, 0.0f, 0.125f, 0, half},
        {"linear clamp at the left edge", false, L, N, C, W, 0.0f, 0.125f, 0, kA},
        {"mip point, LOD 1", false, P, P, W, W, 0.125f, 0.125f, 1, kR1},
        {"mip point, LOD 2", false, P, P, W, W, 0.125f, 0.125f, 2, kG2},
        {"mip linear, LOD 1.5", false, P, L, W, W, 0.125f, 0.125f, 1.5f, 0xFF646400},
        {"mip none, LOD 2: the top level", false, P, N, W, W, 0.375f, 0.125f, 2, kB},
        {"vertex stage, point", true, P, N, W, W, 0.375f, 0.125f, 0, kB},
        {"vertex stage, linear", true, L, N, W, W, 0.25f, 0.125f, 0, half},
        {"vertex stage, mip point LOD 1", true, P, P, W, W, 0.125f, 0.125f, 1, kR1},
    };
    for (const auto& c : cases) {
        device_->SetSamplerState(2, D3DSAMP_MAGFILTER, c.filter);
        device_->SetSamplerState(2, D3DSAMP_MINFILTER, c.filter);
        device_->SetSamplerState(2, D3DSAMP_MIPFILTER, c.mip);
        device_->SetSamplerState(2, D3DSAMP_ADDRESSU, c.addressU);
        device_->SetSamplerState(2, D3DSAMP_ADDRESSV, c.addressV);
        const float ps[3][4] = {{0, 0, c.u, c.v}, {c.lod, 0, 0, 0}, {}};
        const float vs[2][4] = {{0, 0, c.u, c.v}, {c.lod, 0, 0, 0}};
        ExpectColour(Sample(c.vertexStage ? vertexProgram : pixelProgram, ps, vs), c.expected, 2,
                     c.name);
    }
}

// The states effects may set beyond filters and plain addressing: mirror
// once, the largest mip level, the mip LOD bias (also with an explicit LOD,
// as Direct3D 9's tex2Dlod honours it).
TEST_F(Textures, MirrorOnceMaxMipLevelAndLodBias) {
    const UINT program = Program(kQuadVs, kSamplePs);
    DeviceTex()->SetStageTexture(2, Texture(Checkerboard()));
    device_->SetSamplerState(2, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    auto bits = [](float f) {
        DWORD d = 0;
        std::memcpy(&d, &f, sizeof d);
        return d;
    };
    const struct {
        const char* name;
        DWORD addressU, maxMipLevel, lodBias;
        float u, lod;
        uint32_t expected;
    } cases[] = {
        {"mirror once just left of 0: texel 0", D3DTADDRESS_MIRRORONCE, 0, 0, -0.125f, 0, kA},
        {"mirror once past -1: the far edge", D3DTADDRESS_MIRRORONCE, 0, 0, -1.6f, 0, kB},
        {"wrap just left of 0: texel 3", D3DTADDRESS_WRAP, 0, 0, -0.125f, 0, kB},
        {"largest level 1", D3DTADDRESS_WRAP, 1, 0, 0.125f, 0, kR1},
        {"largest level 2", D3DTADDRESS_WRAP, 2, 0, 0.125f, 0, kG2},
        {"bias +1", D3DTADDRESS_WRAP, 0, bits(1.0f), 0.125f, 0, kR1},
        {"bias -1 from LOD 2", D3DTADDRESS_WRAP, 0, bits(-1.0f), 0.125f, 2, kR1},
    };
    for (const auto& c : cases) {
        device_->SetSamplerState(2, D3DSAMP_ADDRESSU, c.addressU);
        device_->SetSamplerState(2, D3DSAMP_MAXMIPLEVEL, c.maxMipLevel);
        device_->SetSamplerState(2, D3DSAMP_MIPMAPLODBIAS, c.lodBias);
        ExpectColour(Sample(program, {{0, 0, c.u, 0.125f}, {c.lod, 0, 0, 0}, {}}), c.expected, 2,
                     c.name);
    }
}

// The checkerboard over the whole back buffer at u, v from -1 to 2 with
// point filtering: every pixel is the texel its centre falls in, wrapped or
// clamped.
TEST_F(Textures, MagnifiedCheckerboardPixelByPixel) {
    const UINT program = Program(kQuadVs, kSamplePs);
    DeviceTex()->SetStageTexture(2, Texture(Checkerboard()));
    for (DWORD address : {D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP}) {
        device_->SetSamplerState(2, D3DSAMP_ADDRESSU, address);
        device_->SetSamplerState(2, D3DSAMP_ADDRESSV, address);
        auto texel = [&](UINT pixel, UINT size) {
            int t = static_cast<int>(std::floor((-1.0 + 3.0 * (pixel + 0.5) / size) * 4));
            return address == D3DTADDRESS_WRAP ? (t + 8) % 4 : std::clamp(t, 0, 3);
        };
        const std::vector<uint32_t> pixels = Draw(program, {{3, 3, -1, -1}, {}, {}}, {});
        int wrong = 0;
        for (UINT y = 0; y < kHeight; ++y) {
            for (UINT x = 0; x < kWidth; ++x) {
                uint32_t want = ((texel(x, kWidth) + texel(y, kHeight)) & 1) != 0 ? kB : kA;
                if (pixels[y * kWidth + x] != want && ++wrong <= 3) {
                    ADD_FAILURE() << "address " << address << " pixel (" << x << ", " << y << ")";
                }
            }
        }
        EXPECT_EQ(wrong, 0) << "address mode " << address;
    }
}

TEST_F(Textures, EachFormatKindAndFaceReadsItsTexels) {
    namespace ts = testing_support;
    // 8 x 8 in four solid quadrants, red green / blue white, as DXT1.
    Bytes quadrants;
    for (int i = 0; i < 64; ++i) {
        const uint32_t colours[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
        quadrants = quadrants + Texels({colours[(i % 8) / 4 + (i / 32) * 2]});
    }
    const Bytes dxt1 = ts::CompressDxt(1, 8, 8, quadrants);
    const Bytes translucent = Texels({0x44FF0000}, 16);
    const struct {
        const char* name;
        TextureImage image;
        float u, v;
        uint32_t expected;
    } formats[] = {
        {"RGBA8", Flat(TextureFormat::RGBA8, 1, Texels({0x280A141E})), 0.5f, 0.5f, 0x280A141E},
        {"BGRA8", Flat(TextureFormat::BGRA8, 1, Bytes{30, 20, 10, 40}), 0.5f, 0.5f, 0x280A141E},
        {"DXT1 red quadrant", Flat(TextureFormat::DXT1, 8, dxt1), 0.25f, 0.25f, 0xFFFF0000},
        {"DXT1 green quadrant", Flat(TextureFormat::DXT1, 8, dxt1), 0.75f, 0.25f, 0xFF00FF00},
        {"DXT1 blue quadrant", Flat(TextureFormat::DXT1, 8, dxt1), 0.25f, 0.75f, 0xFF0000FF},
        {"DXT1 white quadrant", Flat(TextureFormat::DXT1, 8, dxt1), 0.75f, 0.75f, 0xFFFFFFFF},
        {"DXT3", Flat(TextureFormat::DXT3, 4, ts::CompressDxt(3, 4, 4, translucent)), 0.5f, 0.5f,
         0x44FF0000},
        {"DXT5", Flat(TextureFormat::DXT5, 4, ts::CompressDxt(5, 4, 4, translucent)), 0.5f, 0.5f,
         0x44FF0000},
    };
    const UINT program = Program(kQuadVs, kSamplePs);
    for (const auto& c : formats) {
        DeviceTex()->SetStageTexture(2, Texture(c.image));
        ExpectColour(Sample(program, {{0, 0, c.u, c.v}, {}, {}}), c.expected | 0xFF000000u, 1,
                     c.name);
        const uint32_t alpha = c.expected >> 24;
        ExpectColour(Sample(program, {{0, 0, c.u, c.v}, {0, 0, 1, 0}, {}}),
                     0xFF000000u | alpha << 16 | alpha << 8 | alpha, 1,
                     std::string(c.name) + " alpha");
    }

    // Cube faces of 2 x 2 with the face's colour at texel (1, 0) only; each
    // direction lands there on one face as the Direct3D 9 face layout has
    // it (+X: u along -z, v along -y; -X: u along +z; +Y: u along +x, v
    // along +z; -Y: v along -z; +Z: u along +x; -Z: u along -x).
    const uint32_t colours[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                 0xFFFFFF00, 0xFFFF00FF, 0xFF00FFFF};
    constexpr uint32_t kGrey = 0xFF282828;
    Bytes faces;
    for (uint32_t colour : colours) faces = faces + Texels({kGrey, colour, kGrey, kGrey});
    const TextureImage cube = Image(TextureKind::Cube, TextureFormat::RGBA8, 2, 2, 1, 1, faces);
    DeviceTex()->SetStageTexture(3, Texture(cube));
    const float directions[6][3] = {{1, 0.5f, -0.5f}, {-1, 0.5f, 0.5f}, {0.5f, 1, -0.5f},
                                    {0.5f, -1, 0.5f}, {0.5f, 0.5f, 1},  {-0.5f, 0.5f, -1}};
    const char* names[6] = {"+X", "-X", "+Y", "-Y", "+Z", "-Z"};
    for (int face = 0; face < 6; ++face) {
        const float* d = directions[face];
        ExpectColour(Sample(program, {{}, {0, 1, 0, 0}, {d[0], d[1], d[2], 0}}), colours[face], 0,
                     names[face]);
    }

    // A volume of two slices: red in front, blue behind.
    const Bytes slices = Texels({0xFFFF0000}, 4) + Texels({0xFF0000FF}, 4);
    DeviceTex()->SetStageTexture(
        4, Texture(Image(TextureKind::Volume, TextureFormat::RGBA8, 2, 2, 2, 1, slices)));
    for (float w : {0.25f, 0.75f}) {
        ExpectColour(Sample(program, {{}, {0, 2, 0, 0}, {0.5f, 0.5f, w, 0}}),
                     w < 0.5f ? 0xFFFF0000 : 0xFF0000FF, 0, "volume slice");
    }
}

// Stages read the opaque black stand-in again when their texture is taken
// away or deleted, or when a shader samples another kind than is bound;
// calls with bad arguments are refused and change nothing.
TEST_F(Textures, StagesFallBackToOpaqueBlack) {
    const UINT program = Program(kQuadVs, kSamplePs);
    const float flat[3][4] = {{0, 0, 0.5f, 0.5f}, {}, {}};
    const float cube[3][4] = {{}, {0, 1, 0, 0}, {1, 0, 0, 0}};
    constexpr uint32_t kOpaqueBlack = 0xFF000000, kWhite = 0xFFFFFFFF;
    const TextureImage white = Flat(TextureFormat::RGBA8, 1, Texels({kWhite}));
    UINT texture = 0;
    ASSERT_EQ(DeviceTex()->CreateTexture(white, &texture, nullptr), 0);

    EXPECT_EQ(Sample(program, flat), kOpaqueBlack);
    ASSERT_EQ(DeviceTex()->SetStageTexture(2, texture), 0);
    EXPECT_EQ(Sample(program, flat), kWhite);
    ASSERT_EQ(DeviceTex()->SetStageTexture(3, texture), 0);
    EXPECT_EQ(Sample(program, cube), kOpaqueBlack) << "a 2D texture on a cube sampler's stage";
    ASSERT_EQ(DeviceTex()->SetStageTexture(2, 0), 0);
    EXPECT_EQ(Sample(program, flat), kOpaqueBlack);
    ASSERT_EQ(DeviceTex()->SetStageTexture(2, texture), 0);
    DeviceTex()->DeleteTexture(texture);
    EXPECT_EQ(Sample(program, flat), kOpaqueBlack);
    EXPECT_NE(DeviceTex()->SetStageTexture(2, texture), 0) << "a deleted texture";
    EXPECT_NE(DeviceTex()->SetStageTexture(D3D_SAMPLER_STAGES, 0), 0);

    // Images whose fields disagree with their bytes, or that the device
    // cannot hold, never reach the driver.
    platform::TextureLimits limits;
    ASSERT_EQ(DeviceTex()->GetTextureLimits(&limits), 0);
    EXPECT_GE(limits.maxSize, 16384u);  // what OpenGL 4.5 promises
    EXPECT_GE(limits.maxVolumeSize, 2048u);
    TextureImage cut = white, tall = white;
    cut.bytes.resize(3);
    tall.height = 2;
    const struct {
        TextureImage image;
        const char* error;
    } refused[] = {
        {cut, "face 0 level 0 does not match the image's size or lies outside its bytes"},
        {tall, "face 0 level 0 does not match the image's size"},
        {Image(TextureKind::Volume, TextureFormat::DXT1, 4, 4, 2, 1, Bytes(16)), "S3TC volume"},
        {Image(TextureKind::Texture2D, TextureFormat::DXT1, limits.maxSize * 2, 4, 1, 1,
               Bytes(limits.maxSize * 4)),
         "larger than the"},
    };
    for (const auto& r : refused) {
        std::string error;
        texture = 123;
        EXPECT_NE(DeviceTex()->CreateTexture(r.image, &texture, &error), 0) << r.error;
        EXPECT_EQ(texture, 0u);
        EXPECT_NE(error.find(r.error), std::string::npos) << error;
    }
}

}  // namespace
