// The CPU cost of one frame on the rendering side: the camera, the vertex
// stream into an in-memory buffer (next to memset of as many bytes, its
// baseline), the render pass against the recording device (call submission
// without GL), and a whole RunFrame with its console line sent to /dev/null.
// Each runs in repetitions; read the medians.
#include "app/frame.h"
#include "render/camera.h"
#include "render/render_pass.h"
#include "render/scene.h"
#include "render/vertex_stream.h"
#include "sim/particles.h"
#include "tests/support/recording_device.h"
#include "tests/support/quiet_stdout.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
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

// The whole frame: schedule, flow step, camera, vertex stream, render pass.
void BM_RunFrame(benchmark::State& state) {
    RecordingScene scene;
    QuietStdout quiet;
    g_frameCounter = 0;
    g_particlesReady = 0;
    for (auto _ : state) {
        RunFrame();
        scene.ForgetCalls();
    }
}
BENCHMARK(BM_RunFrame)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
