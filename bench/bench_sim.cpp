// Simulation costs: the flow step over the program's 2048 particles in both
// modes and over larger arrays, by the scalar loop (the reference, and the
// baseline the lane kernels are measured against) and by the lane kernels;
// and the seeding pass. Read the medians; compare paths within one run.
#include "sim/particles.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr int kRepetitions = 10;

std::string PathLabel(FlowPath path) {
    if (path > FastestFlowPath()) path = FastestFlowPath();
    return path == kFlowAvx2 ? "AVX2 lanes" : path == kFlowSse2 ? "SSE2 lanes" : "scalar loop";
}

// Arguments: mode, path. Each repetition starts from a fresh seeding.
void BM_StepParticles(benchmark::State& state) {
    int mode = static_cast<int>(state.range(0));
    auto path = static_cast<FlowPath>(state.range(1));
    SeedParticles();
    for (auto _ : state) {
        StepParticleRange(g_particles, kParticleCount, mode, path);
        benchmark::DoNotOptimize(g_particles[0].position.x);
    }
    state.SetItemsProcessed(state.iterations() * kParticleCount);
    state.SetLabel("mode " + std::to_string(mode) + ", " + PathLabel(path));
}
BENCHMARK(BM_StepParticles)
    ->ArgsProduct({{1, 0}, {kFlowScalar, kFlowSse2, kFlowAvx2}})
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

void BM_SeedParticles(benchmark::State& state) {
    for (auto _ : state) {
        SeedParticles();
        benchmark::DoNotOptimize(g_particles[kParticleCount - 1].velocity.z);
    }
    state.SetItemsProcessed(state.iterations() * kParticleCount);
}
BENCHMARK(BM_SeedParticles)->Unit(benchmark::kMicrosecond);

// The same step (mode 1) over 2^14 .. 2^20 particles, seeded by copying the
// program's array over and over. Arguments: count, path.
void BM_StepParticleRange(benchmark::State& state) {
    auto path = static_cast<FlowPath>(state.range(1));
    SeedParticles();
    std::vector<Particle> particles(static_cast<size_t>(state.range(0)));
    for (size_t i = 0; i < particles.size(); ++i) particles[i] = g_particles[i % kParticleCount];
    for (auto _ : state) {
        StepParticleRange(particles.data(), particles.size(), 1, path);
        benchmark::DoNotOptimize(particles[0].position.x);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetLabel(PathLabel(path));
}
BENCHMARK(BM_StepParticleRange)
    ->ArgsProduct({benchmark::CreateRange(1 << 14, 1 << 20, 4), {kFlowScalar, kFlowAvx2}})
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
