// Reading and uploading a 1024 x 1024 texture, the work an effect reload
// does per texture file (the images are made here, once, into /tmp):
//
//   BM_TextureRead/png      ReadTextureFile: read, stb_image decode, box-filtered mip chain
//   BM_TextureRead/dds      the same for a DXT5 DDS with its own 11 levels (a copy)
//   BM_TextureRead/dds-bare a DXT5 DDS without levels: decoded to RGBA8, chain made
//   BM_TextureUpload/...    CreateTexture + DeleteTexture of the image read above
//                           on the GL device (llvmpipe copies on upload)
//   BM_TextureLoad/...      both together: what one texture adds to a reload
//
// Medians of five repetitions. The GL device uses SDL's offscreen driver.
#include "platform/fx/texture_file.h"
#include "platform/gfx/device_textures.h"
#include "platform/gfx/gfx.h"
#include "tests/support/gl_test_device.h"
#include "tests/support/image_files.h"

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

// The three files (png, dds, dds-bare), written on first use and removed
// when the run ends.
struct TextureFiles {
    std::vector<std::string> paths;
    TextureFiles() {
        const std::string base = "/tmp/flowfield-bench-texture-" + std::to_string(getpid());
        const Bytes contents[3] = {
            testing_support::EncodePng(kSize, kSize, NoiseImage(kSize, kSize, 1)), DxtDds(true),
            DxtDds(false)};
        const char* names[3] = {".png", ".dds", "-bare.dds"};
        for (int i = 0; i < 3; ++i) {
            paths.push_back(base + names[i]);
            std::ofstream(paths.back(), std::ios::binary)
                .write(reinterpret_cast<const char*>(contents[i].data()),
                       static_cast<std::streamsize>(contents[i].size()));
        }
    }
    ~TextureFiles() {
        for (const std::string& path : paths) unlink(path.c_str());
    }
};

const std::vector<std::string>& Files() {
    static TextureFiles files;
    return files.paths;
}

IDirect3DDevice9* Device() {
    static IDirect3DDevice9* device = [] {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        IDirect3D9* d3d = nullptr;
        IDirect3DDevice9* made = nullptr;
        testing_support::CreateTestDevice(&d3d, &made);
        return made;
    }();
    return device;
}

bool Read(benchmark::State& state, platform::TextureImage* image) {
    fx::TextureFileError error;
    if (fx::ReadTextureFile(Files()[static_cast<size_t>(state.range(0))], {}, image, &error)) {
        return true;
    }
    state.SkipWithError(error.text.c_str());
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

void Cases(benchmark::internal::Benchmark* b) {
    b->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
    b->Repetitions(5)->ReportAggregatesOnly(true);
}

}  // namespace

BENCHMARK(BM_TextureRead)->Apply(Cases);
BENCHMARK(BM_TextureUpload)->Apply(Cases);
BENCHMARK(BM_TextureLoad)->Apply(Cases);
