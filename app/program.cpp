// main's work: open the window and the device, pump messages and run one
// frame per pass until the quit message, then release everything in order.
#include "app/program.h"

#include "app/frame.h"
#include "platform/watch/watch.h"
#include "render/scene.h"

#include <cstdio>
#include <cstring>

LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The icon, cursor and brush come from this initialiser, before main.
WNDCLASSEXA g_windowClass = {
    sizeof(WNDCLASSEXA),
    CS_CLASSDC | CS_HREDRAW | CS_VREDRAW,
    WndProc,
    0,
    0,
    nullptr,  // instance: filled at the start of main
    LoadIconA(nullptr, IDI_APPLICATION),
    LoadCursorA(nullptr, IDC_ARROW),
    static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)),
    nullptr,
    "test",
    nullptr,
};

D3DPRESENT_PARAMETERS g_presentParams = {
    640,                          // BackBufferWidth
    480,                          // BackBufferHeight
    D3DFMT_X8R8G8B8,              // BackBufferFormat
    1,                            // BackBufferCount
    D3DMULTISAMPLE_NONE,          // MultiSampleType
    0,                            // MultiSampleQuality
    D3DSWAPEFFECT_DISCARD,        // SwapEffect
    nullptr,                      // hDeviceWindow: the focus window
    1,                            // Windowed
    1,                            // EnableAutoDepthStencil
    D3DFMT_D24S8,                 // AutoDepthStencilFormat
    0,                            // Flags
    0,                            // FullScreen_RefreshRateInHz
    D3DPRESENT_INTERVAL_ONE,      // PresentationInterval: vsync paces the frames
};

HWND g_window = nullptr;
IDirect3D9* g_d3d = nullptr;
bool g_watchEffect = false;

ProgramSteps g_programSteps = {Direct3DCreate9, InitScene, RunFrame, ReleaseScene};

static const char* const kUsage =
    "usage: flowfield [--watch] [EFFECT.fx]\n"
    "  EFFECT.fx  the effect to draw with, a path from the working directory\n"
    "             (default: main.fx)\n"
    "  --watch    also rebuild the scene when the effect or a file it includes\n"
    "             is saved\n"
    "  --help     this text\n"
    "keys: F5 rebuild the scene, F4 rebuild and scatter the particles, Esc quit\n";

int ReadArguments(int argc, char** argv) {
    g_watchEffect = false;
    g_effectFileName = "main.fx";
    bool pathGiven = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        bool option = !optionsEnded && arg[0] == '-' && arg[1] != 0;
        if (option && std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
        } else if (option && (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)) {
            fputs(kUsage, stdout);
            return 0;
        } else if (option && std::strcmp(arg, "--watch") == 0) {
            g_watchEffect = true;
        } else if (option || pathGiven) {
            const char* problem = option ? "unknown option" : "a second path";
            fprintf(stderr, "flowfield: %s '%s'\n", problem, arg);
            fputs(kUsage, stderr);
            return 2;
        } else {
            g_effectFileName = arg;
            pathGiven = true;
        }
    }
    return -1;
}

// A start-up failure is an error, not a quiet exit: say what failed and why.
static void ReportStartupFailure(const char* what) {
    const char* reason = GetPlatformErrorText();
    fprintf(stderr, "%s: %s\n", what, reason[0] != 0 ? reason : "no reason given");
}

int RunProgram() {
    g_windowClass.hInstance = GetModuleHandleA(nullptr);
    if (RegisterClassExA(&g_windowClass) == 0) {
        return 1;
    }

    // Windowed: an overlapped window whose 640 x 480 is not adjusted for the
    // frame; otherwise a popup covering the screen.
    DWORD exStyle = WS_EX_APPWINDOW;
    DWORD style = WS_POPUP;
    if (g_presentParams.Windowed != 0) {
        exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
        style = WS_OVERLAPPEDWINDOW;
    }
    g_window = CreateWindowExA(exStyle, "test", "test", style, 0, 0, 640, 480, nullptr, nullptr,
                               g_windowClass.hInstance, nullptr);
    if (g_window == nullptr) {
        ReportStartupFailure("ERROR : Can't Create Window");
        return 1;
    }
    ShowWindow(g_window, SW_SHOW);
    UpdateWindow(g_window);
    if (g_presentParams.Windowed == 0) {
        ShowCursor(FALSE);
    }

    g_d3d = g_programSteps.createDirect3D(D3D_SDK_VERSION);
    if (g_d3d == nullptr) {
        ReportStartupFailure("ERROR : Direct3DCreate9");
        return 1;
    }
    // Judged by whether a device came back, not by the result code.
    g_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, g_window,
                        D3DCREATE_HARDWARE_VERTEXPROCESSING, &g_presentParams, &g_device);

    int exitCode = 0;
    if (g_device != nullptr) {
        g_programSteps.initScene();
        // A watch that cannot start has said why; F5 still reloads.
        if (g_watchEffect) StartEffectWatch();

        // Take every waiting message, then draw one frame; the pass that
        // takes the quit message still draws its frame.
        bool quit = false;
        while (!quit) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != 0) {
                if (msg.message == WM_QUIT) {
                    quit = true;
                    break;
                }
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            g_programSteps.runFrame();
        }
    } else {
        ReportStartupFailure("ERROR : CreateDevice");
        exitCode = 1;
    }

    // Scene, then device, then the graphics system.
    StopEffectWatch();
    g_programSteps.releaseScene();
    if (g_device != nullptr) {
        g_device->Release();
        g_device = nullptr;
    }
    g_d3d->Release();
    g_d3d = nullptr;
    return exitCode;
}

LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
        case WM_CLOSE:
            // Quit without the default handling, so the window outlives the
            // last frame.
            PostQuitMessage(0);
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                PostQuitMessage(0);
            }
            break;
        case WM_SYSCOMMAND:
            // No screen saver and no monitor power-off while running.
            if ((wParam & 0xFFF0) == SC_MONITORPOWER || (wParam & 0xFFF0) == SC_SCREENSAVE) {
                return 0;
            }
            break;
        case WM_IME_SETCONTEXT:
            // Hide every input-method window.
            lParam &= 0x3FFFFFF0;
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
