// Simulation costs: the flow step over the program's 2048 particles in both
// modes, over larger arrays to show how it grows, and the seeding pass.
#include "sim/particles.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void BM_StepParticles(benchmark::State& state) {
    g_flowMode = static_cast<int>(state.range(0));
    SeedParticles();
    for (auto _ : state) {
        StepParticles();
        benchmark::DoNotOptimize(g_particles[0].position.x);
    }
    state.SetItemsProcessed(state.iterations() * kParticleCount);
    state.SetLabel(g_flowMode ? "mode 1" : "mode 0");
}
BENCHMARK(BM_StepParticles)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_SeedParticles(benchmark::State& state) {
    for (auto _ : state) {
        SeedParticles();
        benchmark::DoNotOptimize(g_particles[kParticleCount - 1].velocity.z);
    }
    state.SetItemsProcessed(state.iterations() * kParticleCount);
}
BENCHMARK(BM_SeedParticles)->Unit(benchmark::kMicrosecond);

// The same step over 2^14 .. 2^20 particles, seeded by copying the program's
// array over and over.
void BM_StepParticleRange(benchmark::State& state) {
    SeedParticles();
    std::vector<Particle> particles(static_cast<size_t>(state.range(0)));
    for (size_t i = 0; i < particles.size(); ++i) particles[i] = g_particles[i % kParticleCount];
    for (auto _ : state) {
        StepParticleRange(particles.data(), particles.size(), 1);
        benchmark::DoNotOptimize(particles[0].position.x);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StepParticleRange)->RangeMultiplier(4)->Range(1 << 14, 1 << 20)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
