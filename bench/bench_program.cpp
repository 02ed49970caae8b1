// The whole program offscreen on Mesa llvmpipe: start-up to the first
// presented frame with the bundled main.fx, one full frame (simulation,
// camera, vertex upload, draw, Present) next to the same frame in raw OpenGL,
// and the resident memory after 100 and after 20000 frames (it must not grow:
// nothing allocates per frame).
#include "app/frame.h"
#include "app/program.h"
#include "bench/bench_program.h"
#include "bench/raw_gl_frame.h"
#include "platform/window/window.h"
#include "render/scene.h"
#include "tests/support/quiet_stdout.h"

#include <benchmark/benchmark.h>

#include <epoxy/gl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

bool StartProgram() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    // Every time: another benchmark may have left the folder.
    std::string assets = std::string(FLOWFIELD_SOURCE_DIR) + "/assets";
    if (chdir(assets.c_str()) != 0) return false;
    static bool registered = false;
    if (!registered) {
        g_windowClass.hInstance = GetModuleHandleA(nullptr);
        registered = RegisterClassExA(&g_windowClass) != 0;
    }
    if (g_window == nullptr) {
        g_window = CreateWindowExA(WS_EX_APPWINDOW, "test", "test", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                                   nullptr, nullptr, g_windowClass.hInstance, nullptr);
    }
    g_d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (g_window == nullptr || g_d3d == nullptr) return false;
    g_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, g_window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                        &g_presentParams, &g_device);
    if (g_device == nullptr) return false;
    InitScene();
    return g_effect != nullptr;
}

void StopProgram() {
    ReleaseScene();
    if (g_device) g_device->Release();
    g_device = nullptr;
    if (g_d3d) g_d3d->Release();
    g_d3d = nullptr;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

namespace {


using testing_support::QuietStdout;

constexpr int kFrameRepetitions = 10;

long ResidentKiB() {
    long pages = 0, resident = 0;
    FILE* statm = fopen("/proc/self/statm", "r");
    if (statm == nullptr) return -1;
    if (fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = -1;
    fclose(statm);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void BM_StartupWithEffectToFirstFrame(benchmark::State& state) {
    QuietStdout quiet;
    for (auto _ : state) {
        if (!StartProgram()) {
            state.SkipWithError("no device or main.fx did not compile");
            break;
        }
        RunFrame();
        state.PauseTiming();
        StopProgram();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupWithEffectToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3);

void BM_FullFrameOffscreen(benchmark::State& state) {
    QuietStdout quiet;
    if (!StartProgram()) {
        state.SkipWithError("no device or main.fx did not compile");
        return;
    }
    for (auto _ : state) RunFrame();
    StopProgram();
}
BENCHMARK(BM_FullFrameOffscreen)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kFrameRepetitions)
    ->ReportAggregatesOnly(true);

// The baseline for the full frame: the same frame drawn by a minimal OpenGL
// 4.5 program with no layer (bench/raw_gl_frame.cpp). The ratio of the two
// medians, CPU and wall, is what the device and effect layer cost.
void BM_RawGlFrameOffscreen(benchmark::State& state) {
    QuietStdout quiet;
    RawGlFrame raw;
    std::string error;
    if (!raw.Start(&error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state) raw.Run();
}
BENCHMARK(BM_RawGlFrameOffscreen)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kFrameRepetitions)
    ->ReportAggregatesOnly(true);


// The two above in one process, in alternating blocks of 16 frames: the load
// of a shared machine changes slowly, so neighbouring blocks see the same
// machine, and the median of their ratios (ours / raw, CPU and wall) is far
// steadier than the ratio of two separate medians. One iteration is a pair
// of blocks.
void BM_FullFrameOverRawGl(benchmark::State& state) {
    QuietStdout quiet;
    RawGlFrame raw;
    std::string error;
    if (!StartProgram() || !raw.Start(&error)) {
        state.SkipWithError(error.empty() ? "no device or main.fx did not compile" : error.c_str());
        StopProgram();
        return;
    }
    constexpr int kBlock = 16;
    std::vector<double> cpuRatios, wallRatios;
    for (auto _ : state) {
        // Any device call makes the device's context current again.
        g_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        BlockTime ours = TimeFrames(kBlock, [] { RunFrame(); });
        raw.MakeCurrent();
        BlockTime theirs = TimeFrames(kBlock, [&] { raw.Run(); });
        cpuRatios.push_back(ours.cpu / theirs.cpu);
        wallRatios.push_back(ours.wall / theirs.wall);
    }
    state.counters["cpu_ratio"] = Median(cpuRatios);
    state.counters["wall_ratio"] = Median(wallRatios);
    raw.Stop();
    StopProgram();
}
BENCHMARK(BM_FullFrameOverRawGl)->Unit(benchmark::kMillisecond)->Iterations(100);

void BM_ResidentMemoryOver20000Frames(benchmark::State& state) {
    QuietStdout quiet;
    if (!StartProgram()) {
        state.SkipWithError("no device or main.fx did not compile");
        return;
    }
    long after100 = 0, after20000 = 0;
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) RunFrame();
        after100 = ResidentKiB();
        for (int i = 100; i < 20000; ++i) RunFrame();
        after20000 = ResidentKiB();
    }
    state.counters["rss_after_100_KiB"] = static_cast<double>(after100);
    state.counters["rss_after_20000_KiB"] = static_cast<double>(after20000);
    state.counters["growth_KiB"] = static_cast<double>(after20000 - after100);
    StopProgram();
}
BENCHMARK(BM_ResidentMemoryOver20000Frames)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
