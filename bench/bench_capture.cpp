// Capture throughput offscreen on Mesa llvmpipe: a second of frames (60)
// run and written as flowfield-capture writes them, wall time, with
// frames/s as items/s: /0 no output (the frames alone), /1 a PNG a frame,
// /2 raw RGBA into a file, /3 H.264 through ffmpeg, /4 lossless FFV1. For
// the videos, encoder_share is ffmpeg's CPU time over all the CPU time of
// the run (ours, llvmpipe's threads and ffmpeg's).
#include "app/frame.h"
#include "app/program.h"
#include "bench/bench_program.h"
#include "platform/gfx/gl_device.h"
#include "platform/video/video.h"
#include "platform/window/window.h"
#include "render/scene.h"
#include "tests/support/image_files.h"
#include "tests/support/quiet_stdout.h"
#include "tests/support/temp_folder.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kFramesPerVideo = 60;

double CpuSeconds(int who) {
    rusage usage {};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// The program's start-up without the message loop; false without a device
// or when main.fx does not compile.
bool StartCapture() { return StartProgram(); }

void StopCapture() { StopProgram(); }

void BM_CaptureSecondOfFrames(benchmark::State& state) {
    const int output = static_cast<int>(state.range(0));
    testing_support::QuietStdout quiet;
    testing_support::TempFolder temp;
    if (!temp.Make("flowfield-bench-capture") || !StartCapture()) {
        state.SkipWithError("no device, main.fx did not compile, or no temporary folder");
        return;
    }
    if (output >= 3 && FindFfmpeg().empty()) {
        StopCapture();
        state.SkipWithError("ffmpeg is not on the PATH");
        return;
    }
    std::string file = (temp.Path() / (output == 2 ? "v.raw" : output == 3 ? "v.mp4" : "v.mkv")).string();
    std::string png = (temp.Path() / "f.png").string();
    std::vector<uint32_t> argb;
    testing_support::Bytes rgba;
    double encoderCpu = 0.0, allCpu = 0.0;
    for (auto _ : state) {
        double selfBefore = CpuSeconds(RUSAGE_SELF);
        double childBefore = CpuSeconds(RUSAGE_CHILDREN);
        if (output >= 2) {
            VideoSettings settings;
            settings.path = file.c_str();
            settings.format = output == 2 ? VIDEO_RAW : output == 3 ? VIDEO_MP4 : VIDEO_MKV;
            if (StartVideo(g_device, settings) != 0) {
                state.SkipWithError(GetVideoErrorText());
                break;
            }
        }
        for (int frame = 0; frame < kFramesPerVideo; ++frame) {
            RunFrame();
            if (output == 1) {
                UINT width = 0, height = 0;
                platform::ReadBackBuffer(g_device, &argb, &width, &height);
                rgba.resize(argb.size() * 4);
                for (size_t i = 0; i < argb.size(); ++i) {
                    rgba[i * 4 + 0] = static_cast<uint8_t>(argb[i] >> 16);
                    rgba[i * 4 + 1] = static_cast<uint8_t>(argb[i] >> 8);
                    rgba[i * 4 + 2] = static_cast<uint8_t>(argb[i]);
                    rgba[i * 4 + 3] = 255;
                }
                testing_support::Bytes encoded =
                    testing_support::EncodePng(static_cast<int>(width), static_cast<int>(height), rgba);
                FILE* out = fopen(png.c_str(), "wb");
                if (out != nullptr) {
                    fwrite(encoded.data(), 1, encoded.size(), out);
                    fclose(out);
                }
            } else if (output >= 2) {
                AddVideoFrame();
            }
        }
        if (output >= 2 && FinishVideo(nullptr) != 0) {
            state.SkipWithError(GetVideoErrorText());
            break;
        }
        double child = CpuSeconds(RUSAGE_CHILDREN) - childBefore;
        encoderCpu += child;
        allCpu += child + CpuSeconds(RUSAGE_SELF) - selfBefore;
    }
    AbandonVideo();
    StopCapture();
    state.SetItemsProcessed(state.iterations() * kFramesPerVideo);
    if (output >= 3 && allCpu > 0.0) state.counters["encoder_share"] = encoderCpu / allCpu;
}
BENCHMARK(BM_CaptureSecondOfFrames)
    ->DenseRange(0, 4)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace
