// Compiling assets/main.fx as an F5 reload does it, against the same work
// done by the command-line tools (glslangValidator + spirv-cross per stage).
//
//   BM_EffectReloadGl         D3DXCreateEffectFromFileA + Release on the GL
//                             device (parse, isolated glslang + SPIRV-Cross,
//                             GL compile and link on llvmpipe)
//   BM_EffectReloadNoLink     the same on the recording device (no GL)
//   BM_EffectFrontEnd         the stages before the child process: preprocess,
//                             parse, rewrite and print main.fx for glslang
//   BM_ShaderCompileInProcess the HLSL -> GLSL step without the child process
//   BM_ShaderCompileIsolated  the same step in the child process
//   BM_CommandLineTools       glslangValidator and spirv-cross for both stages
//
// The GL device uses SDL's offscreen driver unless SDL_VIDEODRIVER is set.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fx/3_parse/3_parse_effect.h"
#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"
#include "platform/fx/fx.h"
#include "platform/gfx/gfx.h"
#include "platform/window/window.h"
#include "tests/support/compile_hlsl.h"
#include "tests/support/gl_test_device.h"
#include "tests/support/recording_device.h"
#include "tests/support/temp_folder.h"

extern char** environ;

namespace {

// The source tree comes from the build (bench/CMakeLists.txt): __FILE__ may
// be relative to the build folder (ccache's base_dir makes it so), which
// breaks as soon as the benchmark runs from anywhere else.
std::string MainFxPath() {
    if (const char* dir = std::getenv("FLOWFIELD_SOURCE_DIR")) {
        return std::string(dir) + "/assets/main.fx";
    }
    return std::string(FLOWFIELD_SOURCE_DIR) + "/assets/main.fx";
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// main.fx as the loader hands it to glslang: the effect syntax taken out.
std::string MainFxHlsl() {
    std::vector<fx::Message> messages;
    fx::MessageCollector sink(&messages);
    return fx::PrintHlsl(fx::ParseEffect(ReadText(MainFxPath()), sink).hlsl).text;
}

void Reload(IDirect3DDevice9* device, benchmark::State& state) {
    const std::string path = MainFxPath();
    for (auto _ : state) {
        ID3DXEffect* effect = nullptr;
        ID3DXBuffer* errors = nullptr;
        HRESULT hr = D3DXCreateEffectFromFileA(device, path.c_str(), nullptr, nullptr, 0, nullptr,
                                               &effect, &errors);
        if (errors) errors->Release();
        if (hr != S_OK || !effect) {
            state.SkipWithError("main.fx does not compile");
            break;
        }
        effect->Release();
    }
}

// One device for the whole run; made on first use.
IDirect3DDevice9* GlDevice() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    return testing_support::SharedTestDevice();
}

void BM_EffectReloadGl(benchmark::State& state) {
    IDirect3DDevice9* device = GlDevice();
    if (!device) {
        state.SkipWithError(GetPlatformErrorText());
        return;
    }
    Reload(device, state);
}
BENCHMARK(BM_EffectReloadGl)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_EffectReloadNoLink(benchmark::State& state) {
    testing_support::RecordingDevice device;
    Reload(&device, state);
}
BENCHMARK(BM_EffectReloadNoLink)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_EffectFrontEnd(benchmark::State& state) {
    const std::string text = ReadText(MainFxPath());
    for (auto _ : state) {
        fx::MessageList messages("main.fx");
        fx::ParsedEffect parsed = fx::ParseEffect(text, messages);
        fx::RewrittenEffect rewritten;
        if (!fx::RewriteEffect(parsed, &rewritten, messages))
            state.SkipWithError("the rewrites failed");
        benchmark::DoNotOptimize(rewritten.printed.text.data());
    }
}
BENCHMARK(BM_EffectFrontEnd)
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(0.5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

const std::vector<testing_support::StageRequest> kStages = {{fx::ShaderStage::Vertex, "vs_main"},
                                               {fx::ShaderStage::Pixel, "ps_main"}};

void BM_ShaderCompileInProcess(benchmark::State& state) {
    const std::string hlsl = MainFxHlsl();
    for (auto _ : state) {
        fx::CompiledPass out = testing_support::CompileShaders(hlsl, kStages);
        if (!out.ok) state.SkipWithError("main.fx does not compile");
        benchmark::DoNotOptimize(out.glsl.data());
    }
}
BENCHMARK(BM_ShaderCompileInProcess)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_ShaderCompileIsolated(benchmark::State& state) {
    const std::string hlsl = MainFxHlsl();
    for (auto _ : state) {
        fx::CompiledPass out = testing_support::CompileShadersInChild(hlsl, kStages);
        if (!out.ok) state.SkipWithError("main.fx does not compile");
        benchmark::DoNotOptimize(out.glsl.data());
    }
}
BENCHMARK(BM_ShaderCompileIsolated)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Runs a tool quietly; false unless it exits with 0.
bool Run(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_CommandLineTools(benchmark::State& state) {
    // The tools cannot read effect syntax: give them the HLSL with the
    // technique taken out, as the loader does.
    testing_support::TempFolder dir;
    if (!dir.Make("bench_effect")) {
        state.SkipWithError("no temporary directory");
        return;
    }
    const std::string base = dir.Path().string();
    std::ofstream(base + "/main.hlsl") << MainFxHlsl();
    for (auto _ : state) {
        bool ok = true;
        for (const auto& [stage, entry] : {std::pair{"vert", "vs_main"}, {"frag", "ps_main"}}) {
            std::string spv = base + "/" + entry + ".spv";
            ok = ok && Run({"glslangValidator", "-D", "-e", entry, "-S", stage, "-V", "-o", spv,
                            base + "/main.hlsl"});
            ok = ok && Run({"spirv-cross", "--version", "450", "--no-es", spv, "--output",
                            base + "/" + entry + ".glsl"});
        }
        if (!ok) {
            state.SkipWithError("glslangValidator or spirv-cross failed");
            break;
        }
    }
}
BENCHMARK(BM_CommandLineTools)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
