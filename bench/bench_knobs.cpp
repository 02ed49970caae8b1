// Knobs: what the panel costs a frame (hidden: nothing; shown: ImGui's
// frame and draw), the whole frame against the raw OpenGL baseline with the
// panel started and hidden, and CommitChanges with and without knobs.
#include "app/frame.h"
#include "app/program.h"
#include "bench/bench_program.h"
#include "bench/raw_gl_frame.h"
#include "platform/knobs/knobs.h"
#include "platform/panel/panel.h"
#include "platform/window/window.h"
#include "render/scene.h"
#include "sim/particles.h"
#include "tests/support/gl_test_device.h"
#include "tests/support/quiet_stdout.h"
#include "tests/support/temp_folder.h"

#include <benchmark/benchmark.h>

#include <epoxy/gl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

namespace {

using testing_support::QuietStdout;

// The program's start-up without the message loop, with the panel; false
// when there is no device, no main.fx or no panel.
bool StartProgramWithPanel() {
    return StartProgram() && StartPanel(g_window, g_device, kParticleCount, false);
}

void StopProgramWithPanel() {
    StopPanel();
    StopProgram();
}


constexpr int kBlock = 16;

// The full frame with the panel started and hidden, against the raw OpenGL
// frame of main.fx before it had knobs, in alternating blocks (see
// BM_FullFrameOverRawGl): the ratio of today's frame is ~1.01.
void BM_FullFramePanelHiddenOverRawGl(benchmark::State& state) {
    QuietStdout quiet;
    RawGlFrame raw;
    std::string error;
    if (!StartProgramWithPanel() || !raw.Start(&error)) {
        state.SkipWithError(error.empty() ? "no device, main.fx or panel" : error.c_str());
        StopProgramWithPanel();
        return;
    }
    std::vector<double> cpuRatios, wallRatios;
    for (auto _ : state) {
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
    StopProgramWithPanel();
}
BENCHMARK(BM_FullFramePanelHiddenOverRawGl)->Unit(benchmark::kMillisecond)->Iterations(100);

// Blocks of frames with the panel shown and hidden, alternating: the CPU
// time the shown panel adds to a frame (median of the block differences).
void BM_PanelShownAddsToAFrame(benchmark::State& state) {
    QuietStdout quiet;
    if (!StartProgramWithPanel()) {
        state.SkipWithError("no device, main.fx or panel");
        StopProgramWithPanel();
        return;
    }
    std::vector<double> addedCpuUs, addedWallUs;
    for (auto _ : state) {
        ShowPanel(true);
        BlockTime shown = TimeFrames(kBlock, [] { RunFrame(); });
        ShowPanel(false);
        BlockTime hidden = TimeFrames(kBlock, [] { RunFrame(); });
        addedCpuUs.push_back((shown.cpu - hidden.cpu) / kBlock * 1e6);
        addedWallUs.push_back((shown.wall - hidden.wall) / kBlock * 1e6);
    }
    state.counters["added_cpu_us"] = Median(addedCpuUs);
    state.counters["added_wall_us"] = Median(addedWallUs);
    StopProgramWithPanel();
}
BENCHMARK(BM_PanelShownAddsToAFrame)->Unit(benchmark::kMillisecond)->Iterations(60);

// CommitChanges inside a pass: with no knobs set (an effect without
// annotations) it has nothing to write; with main.fx's nine knobs set it
// writes nine registers of each stage (unchanged: no upload follows).
void CommitChanges(benchmark::State& state, bool knobs) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    IDirect3DDevice9* device = testing_support::SharedTestDevice();
    testing_support::TempFolder folder;
    if (device == nullptr || !folder.Make("commit")) {
        state.SkipWithError("no device");
        return;
    }
    std::string source = std::string(FLOWFIELD_SOURCE_DIR) + "/assets/main.fx";
    std::ifstream in(source);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!knobs) {
        // The same effect with its annotations taken out: no knobs.
        for (size_t open; (open = text.find(" <")) != std::string::npos;) {
            size_t close = text.find('>', open);
            text.erase(open, close - open + 1);
        }
    }
    const std::string path = (folder.Path() / "main.fx").string();
    std::ofstream(path) << text;
    ID3DXEffect* effect = nullptr;
    if (D3DXCreateEffectFromFileA(device, path.c_str(), nullptr, nullptr, 0, nullptr, &effect, nullptr) != 0) {
        state.SkipWithError("the effect did not compile");
        return;
    }
    ResetKnobState();
    SetKnobsEffect(effect, path.c_str());
    state.counters["knobs"] = static_cast<double>(GetKnobs().size());
    effect->Begin(nullptr, 0);
    effect->BeginPass(0);
    for (auto _ : state) benchmark::DoNotOptimize(effect->CommitChanges());
    effect->EndPass();
    effect->End();
    SetKnobsEffect(nullptr, nullptr);
    ResetKnobState();
    effect->Release();
}
void BM_CommitChangesWithoutKnobs(benchmark::State& state) { CommitChanges(state, false); }
void BM_CommitChangesNineKnobs(benchmark::State& state) { CommitChanges(state, true); }
BENCHMARK(BM_CommitChangesWithoutKnobs)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_CommitChangesNineKnobs)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
