// The CPU cost of one frame on the rendering side: the camera, the vertex
// stream into an in-memory buffer (next to memset of as many bytes, its
// baseline), the render pass against the recording device (call submission
// without GL), and a whole RunFrame with its console line sent to /dev/null,
// as the program runs it plainly (/0) and with --watch (/1): the effect's
// folder watched and, when DISPLAY names an X server, F4 / F5 read from the
// whole display. Each runs in repetitions; read the medians.
#include "app/frame.h"
#include "platform/watch/watch.h"
#include "platform/window/window.h"
#include "platform/window/window_sdl.h"
#include "render/camera.h"
#include "render/render_pass.h"
#include "render/scene.h"
#include "render/vertex_stream.h"
#include "sim/particles.h"
#include "tests/support/recording_device.h"
#include "tests/support/quiet_stdout.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using testing_support::FakeEffect;
using testing_support::RecordingDevice;
using testing_support::RecordingVertexBuffer;

constexpr int kRepetitions = 10;

// A device, a buffer and an effect in the program's globals for one benchmark.
class RecordingScene {
public:
    RecordingScene() {
        g_device = &device_;
        g_vertexBuffer = new RecordingVertexBuffer(&device_.log, &device_.results, kVertexBufferBytes);
        g_effect = new FakeEffect(&device_.log, &device_.results);
        g_constants = {};
        g_cameraTarget = &g_particles[0];
    }
    ~RecordingScene() {
        ReleaseScene();
        g_device = nullptr;
    }
    // The log would otherwise grow by a dozen entries a frame.
    void ForgetCalls() { device_.log.Clear(); }

private:
    RecordingDevice device_;
};

using testing_support::QuietStdout;

void BM_UpdateCamera(benchmark::State& state) {
    SeedParticles();
    g_constants = {};
    g_cameraTarget = &g_particles[123];
    for (auto _ : state) {
        UpdateCamera();
        g_constants.c[0][0] += kTimeStep;  // a new orbit position each time
        benchmark::DoNotOptimize(g_constants.c[4][0]);
    }
}
BENCHMARK(BM_UpdateCamera)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

void BM_FillParticleVertices(benchmark::State& state) {
    SeedParticles();
    RecordingScene scene;
    for (auto _ : state) {
        FillParticleVertices();
        scene.ForgetCalls();
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kVertexBufferBytes);
    state.SetItemsProcessed(state.iterations() * kVertexCount);
}
BENCHMARK(BM_FillParticleVertices)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// The baseline for the vertex stream: memset of as many bytes into a buffer
// aligned like the vertex buffer; its bytes per second are memory speed.
void BM_MemsetVertexBufferBytes(benchmark::State& state) {
    std::vector<unsigned char, testing_support::CacheLineAllocator<unsigned char>> buffer(
        kVertexBufferBytes);
    for (auto _ : state) {
        std::memset(buffer.data(), 0, buffer.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kVertexBufferBytes);
}
BENCHMARK(BM_MemsetVertexBufferBytes)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// Includes the recording device's own cost: one log entry per call.
void BM_RenderParticles(benchmark::State& state) {
    RecordingScene scene;
    for (auto _ : state) {
        RenderParticles();
        scene.ForgetCalls();
    }
}
BENCHMARK(BM_RenderParticles)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

// What --watch adds to a frame: the watch on the folder of a loaded effect
// (assets/main.fx, compiled once against the recording device) and, with an
// X display, F4 / F5 polled from it.
class LiveEditing {
public:
    explicit LiveEditing(IDirect3DDevice9* device) {
        std::string effect = std::string(FLOWFIELD_SOURCE_DIR) + "/assets/main.fx";
        ID3DXEffect* loaded = nullptr;
        D3DXCreateEffectFromFileA(device, effect.c_str(), nullptr, nullptr, 0, nullptr, &loaded,
                                  nullptr);
        if (loaded != nullptr) loaded->Release();
        watching_ = StartEffectWatch() == 0;
        const char* display = std::getenv("DISPLAY");
        globalKeys_ = display != nullptr && platform::OpenGlobalKeys(display);
    }
    ~LiveEditing() {
        StopEffectWatch();
        platform::StopGlobalKeys();
    }
    bool watching() const { return watching_; }
    bool globalKeys() const { return globalKeys_; }

private:
    bool watching_ = false;
    bool globalKeys_ = false;
};

// The whole frame: schedule, flow step, camera, vertex stream, render pass.
void BM_RunFrame(benchmark::State& state) {
    RecordingScene scene;
    LiveEditing* live = nullptr;
    if (state.range(0) != 0) {
        live = new LiveEditing(g_device);
        if (!live->watching()) state.SkipWithError("the watch did not start");
        state.SetLabel(live->globalKeys() ? "--watch, global keys" : "--watch, no X display");
    }
    // Both variants start from the same frame state.
    QuietStdout quiet;
    g_frameCounter = 0;
    g_flowMode = 1;
    g_particlesReady = 0;
    for (auto _ : state) {
        RunFrame();
        scene.ForgetCalls();
    }
    delete live;
}
BENCHMARK(BM_RunFrame)
    ->Arg(0)
    ->Arg(1)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// Just what --watch adds to a frame: the watch's poll and the two key
// queries that read the display.
void BM_LiveEditingPoll(benchmark::State& state) {
    RecordingScene scene;
    LiveEditing live(g_device);
    if (!live.watching()) state.SkipWithError("the watch did not start");
    state.SetLabel(live.globalKeys() ? "global keys" : "no X display");
    for (auto _ : state) {
        benchmark::DoNotOptimize(EffectFilesChanged());
        benchmark::DoNotOptimize(GetAsyncKeyState(VK_F5));
        benchmark::DoNotOptimize(GetAsyncKeyState(VK_F4));
    }
}
BENCHMARK(BM_LiveEditingPoll)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

}  // namespace
