// Device costs on SDL's offscreen driver (Mesa llvmpipe, no display): start
// to first presented frame (window, graphics system, device, one empty
// frame), and one empty frame (clear, begin, end, present) on a live device.
// Both report the median of five repetitions.
#include "app/program.h"
#include "platform/gfx/gfx.h"
#include "platform/window/window.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

LRESULT BenchProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

// Must run before SDL starts: an explicit driver choice is kept.
bool PrepareWindowClass() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    static bool registered = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = BenchProc;
        windowClass.lpszClassName = "bench";
        return RegisterClassExA(&windowClass) != 0;
    }();
    return registered;
}

// The program's own presentation parameters (interval one, as it asks).
D3DPRESENT_PARAMETERS PresentParams() { return g_presentParams; }

HWND MakeWindow() {
    return CreateWindowExA(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, "bench", "bench",
                           WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

void EmptyFrame(IDirect3DDevice9* device) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0x00000022,
                  1.0f, 0);
    device->BeginScene();
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

void BM_StartToFirstFrame(benchmark::State& state) {
    if (!PrepareWindowClass()) {
        state.SkipWithError("window class");
        return;
    }
    for (auto _ : state) {
        // Windows last as long as the process, so each iteration adds one.
        HWND window = MakeWindow();
        IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
        IDirect3DDevice9* device = nullptr;
        D3DPRESENT_PARAMETERS params = PresentParams();
        if (window == nullptr || d3d == nullptr ||
            d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                              D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device) != 0) {
            state.SkipWithError(GetPlatformErrorText());
            if (d3d) d3d->Release();
            return;
        }
        EmptyFrame(device);
        state.PauseTiming();
        device->Release();
        d3d->Release();
        ShowWindow(window, SW_HIDE);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartToFirstFrame)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(4)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_EmptyFrame(benchmark::State& state) {
    if (!PrepareWindowClass()) {
        state.SkipWithError("window class");
        return;
    }
    static HWND window = MakeWindow();
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS params = PresentParams();
    if (window == nullptr || d3d == nullptr ||
        d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                          D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device) != 0) {
        state.SkipWithError(GetPlatformErrorText());
        if (d3d) d3d->Release();
        return;
    }
    for (auto _ : state) EmptyFrame(device);
    device->Release();
    d3d->Release();
}
BENCHMARK(BM_EmptyFrame)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
