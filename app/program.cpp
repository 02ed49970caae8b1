// main's work: open the window and the device, pump messages and run one
// frame per pass until the quit message, then release everything in order.
#include "app/program.h"

#include "app/frame.h"
#include "app/time_control.h"
#include "platform/knobs/knobs.h"
#include "platform/panel/panel.h"
#include "platform/watch/watch.h"
#include "sim/particles.h"
#include "render/scene.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

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
bool g_showPanel = false;

ProgramSteps g_programSteps = {Direct3DCreate9, InitScene, RunFrame, ReleaseScene};

static const char* const kUsage =
    "usage: flowfield [--watch] [--keep-last-good] [--panel] [-D NAME[=VALUE]]... [EFFECT.fx]\n"
    "  EFFECT.fx  the effect to draw with, a path from the working directory\n"
    "             (default: main.fx)\n"
    "  --watch    also rebuild the scene when the effect or a file it includes\n"
    "             (or its knobs file) is saved\n"
    "  --keep-last-good  a load that fails keeps drawing with the effect that\n"
    "             loaded last, the error text over it\n"
    "  --panel    show the knobs panel from the start\n"
    "  -D NAME[=VALUE]  define a macro for the effect (VALUE 1 when not given)\n"
    "  --help     this text\n"
    "keys: F5 rebuild the scene, F4 rebuild and scatter the particles, Esc quit,\n"
    "      Space pause, . one frame while paused, [ ] slower / faster, F9 record,\n"
    "      F1 the knobs panel, Ctrl+S save the knobs beside the effect\n";

// The -D macros' texts and the array g_effectDefines points at.
static std::deque<std::string> g_defineTexts;
static std::vector<D3DXMACRO> g_defines;

int ReadDefineOption(const char* tool, int argc, char** argv, int* i) {
    const char* arg = argv[*i];
    if (std::strncmp(arg, "-D", 2) != 0) return 0;
    const char* text = arg[2] != 0 ? arg + 2 : (*i + 1 < argc ? argv[*i + 1] : nullptr);
    if (text == nullptr) {
        fprintf(stderr, "%s: -D needs a macro name\n", tool);
        return -1;
    }
    if (arg[2] == 0) ++*i;
    std::string name = text;
    std::string value = "1";
    size_t equals = name.find('=');
    if (equals != std::string::npos) {
        value = name.substr(equals + 1);
        name.resize(equals);
    }
    bool identifier = !name.empty() && !(name[0] >= '0' && name[0] <= '9');
    for (char c : name) {
        identifier = identifier && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                                    (c >= 'A' && c <= 'Z') || c == '_');
    }
    if (!identifier || value.find_first_of("\r\n") != std::string::npos) {
        fprintf(stderr, "%s: -D %s: not a macro name with a one-line value\n", tool, text);
        return -1;
    }
    g_defineTexts.push_back(name);
    const char* nameText = g_defineTexts.back().c_str();
    g_defineTexts.push_back(value);
    if (!g_defines.empty()) g_defines.pop_back();  // the end marker
    g_defines.push_back({nameText, g_defineTexts.back().c_str()});
    g_defines.push_back({nullptr, nullptr});
    g_effectDefines = g_defines.data();
    return 1;
}

int ReadArguments(int argc, char** argv) {
    g_watchEffect = false;
    g_showPanel = false;
    SetKeepLastGood(false);
    g_effectFileName = "main.fx";
    g_defines.clear();
    g_defineTexts.clear();
    g_effectDefines = nullptr;
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
        } else if (option && std::strcmp(arg, "--keep-last-good") == 0) {
            SetKeepLastGood(true);
        } else if (option && std::strcmp(arg, "--panel") == 0) {
            g_showPanel = true;
        } else if (int taken = option ? ReadDefineOption("flowfield", argc, argv, &i) : 0) {
            if (taken < 0) {
                fputs(kUsage, stderr);
                return 2;
            }
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
        StartTimeControl();
        // Without a panel (it has said why) the knobs keep their values.
        AddPanelCheckbox("keep the last good effect", &g_keepLastGood);
        StartPanel(g_window, g_device, kParticleCount, g_showPanel);

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
            // A knobs file saved by hand applies without a rebuild.
            if (g_watchEffect) PollKnobsFile();
            PresentFrame();
        }
        StopTimeControl();
    } else {
        ReportStartupFailure("ERROR : CreateDevice");
        exitCode = 1;
    }

    // Scene, then device, then the graphics system.
    StopPanel();
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
            } else {
                TakeTimeKey(wParam, lParam);
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
