// Reading and uploading a 1024 x 1024 texture, the work an effect reload
// does per texture file (the images are made here, once, into /tmp):
//
//   BM_TextureRead/png      ReadTextureFile: read, stb_image decode, box-filtered mip chain
//   BM_TextureRead/dds      the same for a DXT5 DDS with its own 11 levels (a copy)
//   BM_TextureRead/dds-bare a DXT5 DDS without levels: decoded to RGBA8, chain made
//   BM_TextureUpload/...    CreateTexture + DeleteTexture of the image read above
//                           on the GL device (llvmpipe copies on upload)
//   BM_TextureLoad/...      both together: what one texture adds to a reload
//   BM_EffectReload/...     D3DXCreateEffectFromFileA + Release of a small
//                           effect whose sampler reads the png or the dds
//                           (none: the same effect without a file), on the
//                           GL device: what F5 costs with such a texture
//   BM_FramesWithTexture/0  RunFrame with a gallery effect loaded through the
//                           real loader on the recording device: uploads
//                           and stage bindings per frame as counters (no
//                           upload on a frame without a reload)
//   BM_FramesWithTexture/1  the same with F5 held: one upload a frame
//
// Medians of five repetitions. The GL device uses SDL's offscreen driver.
#include "app/frame.h"
#include "platform/fx/fx.h"
#include "platform/fx/runtime/texture_file.h"
#include "platform/gfx/device_textures.h"
#include "platform/gfx/gfx.h"
#include "platform/window/window.h"
#include "render/camera.h"
#include "render/scene.h"
#include "sim/particles.h"
#include "tests/support/gl_test_device.h"
#include "tests/support/image_files.h"
#include "tests/support/quiet_stdout.h"
#include "tests/support/recording_device.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using testing_support::Bytes;

constexpr int kSize = 1024;

// Soft waves with a little grain and an alpha ramp, like a real sprite
// sheet or colour ramp (and compressing like one in PNG).
Bytes NoiseImage(int width, int height, uint32_t seed) {
    Bytes rgba;
    uint32_t state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const float grain = static_cast<float>(state >> 28);
            const float u = static_cast<float>(x) / width, v = static_cast<float>(y) / height;
            const float wave = 0.5f + 0.5f * std::sin(u * 19.0f + std::cos(v * 7.0f) * 3.0f);
            for (float c : {wave * 200 + grain, v * 230 + grain, u * 180 + grain,
                            255 * (1 - std::fabs(u - 0.5f) * 1.5f)}) {
                rgba.push_back(static_cast<uint8_t>(std::clamp(c, 0.0f, 255.0f)));
            }
        }
    }
    return rgba;
}

// A DXT5 image of the noise texture with every level down to 1 x 1 (or
// only the top level).
Bytes DxtDds(bool levels) {
    testing_support::DdsFile dds = testing_support::DdsFile::Dxt(5).Size(kSize, kSize);
    int count = 0;
    for (int size = kSize; size >= 1 && (levels || count == 0); size /= 2, ++count) {
        int padded = std::max(size, 4);
        Bytes rgba = NoiseImage(padded, padded, static_cast<uint32_t>(size));
        Bytes blocks = testing_support::CompressDxt(5, padded, padded, rgba);
        dds.data.insert(dds.data.end(), blocks.begin(), blocks.end());
    }
    if (levels) dds.Mips(static_cast<uint32_t>(count));
    return dds.Build();
}

// An effect whose pixel shader reads a texture holding the image file
// (none: a texture without a file).
std::string EffectReading(const std::string& file) {
    return "texture Image < string ResourceName = \"" + file + "\"; >;\n"
           "sampler2D Sampled = sampler_state { Texture = <Image>; MinFilter = Linear;\n"
           "    MagFilter = Linear; MipFilter = Linear; };\n"
           "float4x4 viewProj : register(c4);\n"
           "float4 vs_main(float3 p : POSITION) : POSITION\n"
           "{ return mul(viewProj, float4(p, 1)); }\n"
           "float4 ps_main(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(Sampled, uv); }\n"
           "technique T { pass P { VertexShader = compile vs_3_0 vs_main();\n"
           "    PixelShader = compile ps_3_0 ps_main(); } }\n";
}

// The three images (png, dds, dds-bare) and an effect reading each (and one
// reading none), written on first use and removed when the run ends.
struct TextureFiles {
    std::vector<std::string> paths;
    std::vector<std::string> effects;  // none, png, dds
    TextureFiles() {
        const std::string base = "/tmp/flowfield-bench-texture-" + std::to_string(getpid());
        const Bytes contents[3] = {
            testing_support::EncodePng(kSize, kSize, NoiseImage(kSize, kSize, 1)), DxtDds(true),
            DxtDds(false)};
        const char* names[3] = {".png", ".dds", "-bare.dds"};
        for (int i = 0; i < 3; ++i) {
            paths.push_back(base + names[i]);
            Write(paths.back(), contents[i]);
        }
        for (const std::string& image : {std::string(), paths[0], paths[1]}) {
            effects.push_back(base + "-" + std::to_string(effects.size()) + ".fx");
            const std::string text = EffectReading(image.substr(image.rfind('/') + 1));
            Write(effects.back(), Bytes(text.begin(), text.end()));
        }
    }
    ~TextureFiles() {
        for (const std::string& path : paths) unlink(path.c_str());
        for (const std::string& path : effects) unlink(path.c_str());
    }
    static void Write(const std::string& path, const Bytes& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
};

const TextureFiles& AllFiles() {
    static TextureFiles files;
    return files;
}

const std::vector<std::string>& Files() { return AllFiles().paths; }

IDirect3DDevice9* Device() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    return testing_support::SharedTestDevice();
}

bool Read(benchmark::State& state, platform::TextureImage* image) {
    const std::string& path = Files()[static_cast<size_t>(state.range(0))];
    std::vector<fx::Message> messages;
    fx::MessageCollector sink(&messages);
    if (fx::ReadTextureFile(path, path, {}, image, sink)) return true;
    state.SkipWithError(messages.empty() ? "unread" : messages[0].text.c_str());
    return false;
}

bool Upload(benchmark::State& state, const platform::TextureImage& image) {
    UINT texture = 0;
    std::string error;
    if (platform::GetDeviceTextures(Device())->CreateTexture(image, &texture, &error) != 0) {
        state.SkipWithError(error.c_str());
        return false;
    }
    platform::GetDeviceTextures(Device())->DeleteTexture(texture);
    return true;
}

void Label(benchmark::State& state) {
    const char* names[3] = {"png", "dds", "dds-bare"};
    state.SetLabel(names[state.range(0)]);
}

void BM_TextureRead(benchmark::State& state) {
    Label(state);
    for (auto _ : state) {
        platform::TextureImage image;
        if (!Read(state, &image)) break;
        benchmark::DoNotOptimize(image.bytes.data());
    }
}

void BM_TextureUpload(benchmark::State& state) {
    Label(state);
    platform::TextureImage image;
    if (Device() == nullptr) {
        state.SkipWithError("no GL device");
        return;
    }
    if (!Read(state, &image)) return;
    for (auto _ : state) {
        if (!Upload(state, image)) break;
    }
}

void BM_TextureLoad(benchmark::State& state) {
    Label(state);
    if (Device() == nullptr) {
        state.SkipWithError("no GL device");
        return;
    }
    for (auto _ : state) {
        platform::TextureImage image;
        if (!Read(state, &image) || !Upload(state, image)) break;
    }
}

void BM_EffectReload(benchmark::State& state) {
    const char* names[3] = {"no file", "png", "dds"};
    state.SetLabel(names[state.range(0)]);
    if (Device() == nullptr) {
        state.SkipWithError("no GL device");
        return;
    }
    const std::string& path = AllFiles().effects[static_cast<size_t>(state.range(0))];
    for (auto _ : state) {
        ID3DXEffect* effect = nullptr;
        ID3DXBuffer* errors = nullptr;
        if (D3DXCreateEffectFromFileA(Device(), path.c_str(), nullptr, nullptr, 0, nullptr,
                                      &effect, &errors) != 0) {
            std::string text = errors ? static_cast<const char*>(errors->GetBufferPointer()) : "";
            if (errors) errors->Release();
            state.SkipWithError(text.c_str());
            break;
        }
        if (errors) errors->Release();
        effect->Release();
    }
}

// Frames of the program with sparkles.fx (one 64 x 64 image) loaded through
// the real loader into the recording device; with range(0) = 1 F5 is down
// on every frame.
void BM_FramesWithTexture(benchmark::State& state) {
    testing_support::RecordingDevice device;
    testing_support::QuietStdout quiet;
    const std::string effect = std::string(FLOWFIELD_SOURCE_DIR) + "/assets/examples/sparkles.fx";
    g_device = &device;
    g_effectFileName = effect.c_str();
    g_cameraTarget = &g_particles[0];
    InitScene();
    if (g_effect == nullptr) state.SkipWithError("sparkles.fx did not load");
    const bool reload = state.range(0) != 0;
    state.SetLabel(reload ? "F5 every frame" : "no reload");
    const int uploadsBefore = device.log.Count("CreateTexture");
    const int bindsBefore = device.log.Count("SetStageTexture");
    int64_t frames = 0;
    for (auto _ : state) {
        if (reload) FeedKeyEvent(VK_F5, true);
        RunFrame();
        ++frames;
    }
    const double n = static_cast<double>(std::max<int64_t>(frames, 1));
    const int uploads = device.log.Count("CreateTexture") - uploadsBefore;
    const int binds = device.log.Count("SetStageTexture") - bindsBefore;
    state.counters["uploads_per_frame"] = uploads / n;
    state.counters["stage_binds_per_frame"] = binds / n;
    if (reload) FeedKeyEvent(VK_F5, false);
    ReleaseScene();
    g_device = nullptr;
    g_effectFileName = "main.fx";
}

void Cases(benchmark::internal::Benchmark* b) {
    b->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
    b->Repetitions(5)->ReportAggregatesOnly(true);
}

}  // namespace

BENCHMARK(BM_TextureRead)->Apply(Cases);
BENCHMARK(BM_TextureUpload)->Apply(Cases);
BENCHMARK(BM_TextureLoad)->Apply(Cases);
BENCHMARK(BM_EffectReload)->Apply(Cases);
BENCHMARK(BM_FramesWithTexture)->Arg(0)->Arg(1)->Iterations(200)->Unit(benchmark::kMillisecond);
