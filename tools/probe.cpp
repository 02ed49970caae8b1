// flowfield-probe: runs pixel-probe cases (tools/probe/probe_case.h) as the
// probe test does and prints every pixel, so that an effect can be checked
// against the values one expects of Direct3D 9.
//
//   flowfield-probe CASE.fx...
//
// For each case: "pass", "FAIL" or "xfail" with the reason, then the pixels
// row by row, (0, 0) at the top left. Exit codes: 0 when every case passes
// (or fails as its xfail line expects), 1 otherwise, 2 bad usage.
#include "app/program.h"
#include "platform/window/window.h"
#include "tools/probe/probe_case.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

IDirect3DDevice9* CreateHiddenDevice(IDirect3D9** d3d) {
    g_windowClass.hInstance = GetModuleHandleA(nullptr);
    if (RegisterClassExA(&g_windowClass) == 0) return nullptr;
    g_window = CreateWindowExA(0, "test", "test", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                               nullptr, g_windowClass.hInstance, nullptr);
    *d3d = g_window != nullptr ? Direct3DCreate9(D3D_SDK_VERSION) : nullptr;
    if (*d3d == nullptr) return nullptr;
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS params = g_presentParams;
    (*d3d)->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, g_window,
                         D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device);
    return device;
}

bool RunOne(IDirect3DDevice9* device, const char* path, const std::filesystem::path& work) {
    probe::Case c;
    std::string error;
    if (!probe::ReadCase(path, &c, &error)) {
        printf("%s\n", error.c_str());  // it names the file
        return false;
    }
    probe::Outcome o = probe::RunCase(device, c, work);
    const bool expected = o.passed == c.knownFailure.empty();
    printf("%s: %s%s%s\n", path, o.passed ? "pass" : c.knownFailure.empty() ? "FAIL" : "xfail",
           c.knownFailure.empty() ? "" : " - ", c.knownFailure.c_str());
    if (!o.report.empty()) fputs(o.report.c_str(), stdout);
    for (UINT y = 0; y < o.height; ++y) {
        for (UINT x = 0; x < o.width; ++x) {
            const float* p = &o.pixels[(size_t{y} * o.width + x) * 4];
            printf("  (%u, %u)  %.9g %.9g %.9g %.9g\n", x, y, p[0], p[1], p[2], p[3]);
        }
    }
    return expected;
}

}  // namespace

const char* const kUsage =
    "usage: flowfield-probe CASE.fx...\n"
    "  CASE.fx  a pixel-probe case: an effect with its expected pixels\n"
    "  --help   this text\n";

int main(int argc, char** argv) {
    std::vector<const char*> cases;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool option = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (option && arg == "--") {
            optionsEnded = true;
        } else if (option && (arg == "--help" || arg == "-h")) {
            fputs(kUsage, stdout);
            return 0;
        } else if (option) {
            fprintf(stderr, "flowfield-probe: unknown option '%s'\n%s", argv[i], kUsage);
            return 2;
        } else {
            cases.push_back(argv[i]);
        }
    }
    if (cases.empty()) {
        fprintf(stderr, "flowfield-probe: no case given\n%s", kUsage);
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setvbuf(stdout, nullptr, _IOLBF, 0);
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = CreateHiddenDevice(&d3d);
    if (device == nullptr) {
        fprintf(stderr, "flowfield-probe: no graphics device: %s\n", GetPlatformErrorText());
        if (d3d != nullptr) d3d->Release();
        return 1;
    }
    std::error_code ec;
    std::filesystem::path work = std::filesystem::temp_directory_path(ec) /
                                 ("flowfield-probe-" + std::to_string(getpid()));
    std::filesystem::create_directories(work, ec);
    bool ok = true;
    for (const char* path : cases) ok &= RunOne(device, path, work);
    std::filesystem::remove_all(work, ec);
    device->Release();
    d3d->Release();
    return ok ? 0 : 1;
}
