// What the benchmarks that run the whole program share: its start-up
// without the message loop (on assets/main.fx, offscreen), and timing a
// block of frames in this thread's CPU and in wall time.
#pragma once

#include <epoxy/gl.h>
#include <time.h>

#include <chrono>
#include <vector>

// The window, the device and the scene; false when there is no device or
// main.fx does not compile.
bool StartProgram();
void StopProgram();

struct BlockTime {
    double cpu;   // this thread's CPU seconds
    double wall;  // seconds, the rasteriser threads' work included (glFinish)
};

inline double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

template <class Frame>
BlockTime TimeFrames(int frames, Frame frame) {
    auto wall = std::chrono::steady_clock::now();
    double cpu = ThreadCpuSeconds();
    for (int i = 0; i < frames; ++i) frame();
    glFinish();
    return {ThreadCpuSeconds() - cpu,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count()};
}

double Median(std::vector<double> values);
