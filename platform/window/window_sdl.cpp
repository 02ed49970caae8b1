// The window services over SDL2: one window class, SDL windows, and a thread
// message queue of our own that SDL events are translated into.
//
// Implemented: [x] RegisterClassExA / CreateWindowExA / ShowWindow / UpdateWindow
//              [x] PeekMessageA (filters, PM_REMOVE / PM_NOREMOVE), Translate /
//                  DispatchMessageA, DefWindowProcA, PostQuitMessage
//              [x] SDL_KEYDOWN / SDL_KEYUP -> WM_KEYDOWN / WM_KEYUP with
//                  virtual-key codes; close box -> WM_CLOSE; SDL_QUIT ->
//                  WM_DESTROY; size changes -> WM_SIZE
//              [x] stock icon, cursor and brush handles; ShowCursor
//              [x] OutputDebugStringA to standard error
// Not implemented: DefWindowProcA default actions (it returns 0: closing never
// destroys a window), WM_CHAR from TranslateMessage, DestroyWindow.
//
// SDL's video subsystem starts on the first CreateWindowExA, so the message
// queue works in processes that never open a window (tests without a display).
#include "platform/window/window.h"
#include "platform/window/window_sdl.h"

#include <SDL.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// A window handle points at one of these.
struct HWND__ {
    SDL_Window* sdl = nullptr;
    WNDPROC proc = nullptr;
};

namespace {

// Stand-ins for the stock objects: distinct, never dereferenced.
struct StockObject {
    char tag;
};
StockObject g_module{'m'};
StockObject g_icon{'i'};
StockObject g_cursor{'c'};
StockObject g_blackBrush{'b'};

struct WindowClass {
    std::string name;
    WNDPROC proc = nullptr;
};

// The thread message queue is a fixed ring, so that pumping never allocates.
// 256 waiting messages is far more than one frame's input.
constexpr size_t kQueueCapacity = 256;

// Everything this file keeps between calls. One object, so that a test
// starts afresh with one assignment (platform::ResetWindowState).
struct WindowState {
    std::vector<WindowClass> classes;
    std::vector<HWND__*> windows;  // windows live as long as the process
    std::string errorText;

    std::array<MSG, kQueueCapacity> queue{};
    size_t queueHead = 0;
    size_t queueCount = 0;

    // PostQuitMessage only raises a flag; WM_QUIT comes out of the queue once
    // no other message is waiting, as on the original platform.
    bool quitPosted = false;
    int quitCode = 0;

    int cursorCount = 0;  // ShowCursor's display counter: shown while >= 0

    platform::DefaultHandlingHook defaultHandlingHook = nullptr;
};

WindowState g_state;

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_state.queueCount == kQueueCapacity) {
        // A full queue means nobody is pumping; drop the newest rather than grow.
        std::fprintf(stderr, "[window] message queue full, message 0x%04x dropped\n", message);
        return;
    }
    MSG& msg = g_state.queue[(g_state.queueHead + g_state.queueCount) % kQueueCapacity];
    msg = MSG{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = SDL_WasInit(SDL_INIT_TIMER) ? SDL_GetTicks() : 0;
    ++g_state.queueCount;
}

void RemoveAt(size_t index) {
    // Shift the later messages down by one; the queue is short.
    for (size_t i = index; i + 1 < g_state.queueCount; ++i) {
        g_state.queue[(g_state.queueHead + i) % kQueueCapacity] =
            g_state.queue[(g_state.queueHead + i + 1) % kQueueCapacity];
    }
    --g_state.queueCount;
}

HWND FindWindow(Uint32 sdlWindowId) {
    SDL_Window* sdl = SDL_GetWindowFromID(sdlWindowId);
    for (HWND window : g_state.windows) {
        if (window->sdl == sdl) return window;
    }
    // Keyboard events without a focused window go to the first window.
    return g_state.windows.empty() ? nullptr : g_state.windows.front();
}

// SDL keycodes to virtual-key codes, for the keys a program is likely to ask for.
int VirtualKeyFor(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return 0x61 + (key - SDLK_KP_1);
    switch (key) {
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_RETURN: return VK_RETURN;
        case SDLK_KP_ENTER: return VK_RETURN;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_PERIOD: return VK_OEM_PERIOD;
        case SDLK_LEFTBRACKET: return VK_OEM_4;
        case SDLK_RIGHTBRACKET: return VK_OEM_6;
        case SDLK_TAB: return VK_TAB;
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_UP: return VK_UP;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_PAGEUP: return 0x21;
        case SDLK_PAGEDOWN: return 0x22;
        case SDLK_END: return 0x23;
        case SDLK_HOME: return 0x24;
        case SDLK_INSERT: return 0x2D;
        case SDLK_DELETE: return 0x2E;
        case SDLK_PAUSE: return 0x13;
        case SDLK_KP_0: return 0x60;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return 0x10;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return 0x11;
        case SDLK_LALT:
        case SDLK_RALT: return 0x12;
        default: return 0;
    }
}

void TranslateKey(const SDL_KeyboardEvent& key) {
    int vk = VirtualKeyFor(key.keysym.sym);
    if (vk == 0) return;
    bool down = key.type == SDL_KEYDOWN;
    // A repeat is not a new press: only transitions reach the key state
    // latch. F4 and F5 read from the whole display come from there alone, or
    // one tap would count twice.
    bool global = platform::GlobalKeysActive() && (vk == VK_F4 || vk == VK_F5);
    if (!key.repeat && !global) FeedKeyEvent(vk, down);
    // lParam as the original platform lays it out: repeat count, scan code,
    // previous state (bit 30), transition (bit 31).
    LPARAM lParam = 1 | (static_cast<LPARAM>(key.keysym.scancode & 0xFF) << 16);
    if (key.repeat || !down) lParam |= LPARAM{1} << 30;
    if (!down) lParam |= LPARAM{1} << 31;
    Post(FindWindow(key.windowID), down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(vk), lParam);
}

platform::EventHook g_eventHook = nullptr;

// Moves every waiting SDL event into the message queue.
void PumpEvents() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (g_eventHook != nullptr && g_eventHook(event)) continue;
        switch (event.type) {
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                TranslateKey(event.key);
                break;
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                    Post(FindWindow(event.window.windowID), WM_CLOSE, 0, 0);
                } else if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                    LPARAM size = (event.window.data1 & 0xFFFF) | ((event.window.data2 & 0xFFFF) << 16);
                    Post(FindWindow(event.window.windowID), WM_SIZE, 0, size);
                }
                break;
            case SDL_QUIT:
                // The session is ending the program (SDL_QUIT no longer follows
                // the close box, see EnsureVideo): its windows are going away.
                for (HWND window : g_state.windows) Post(window, WM_DESTROY, 0, 0);
                break;
            default:
                break;
        }
    }
}

bool Matches(const MSG& msg, HWND window, UINT filterMin, UINT filterMax) {
    if (window != nullptr && msg.hwnd != window) return false;
    if (filterMin == 0 && filterMax == 0) return true;
    return msg.message >= filterMin && msg.message <= filterMax;
}

const WindowClass* FindClass(const char* name) {
    for (const WindowClass& windowClass : g_state.classes) {
        if (windowClass.name == name) return &windowClass;
    }
    return nullptr;
}

// What the environment names as the display, and that nothing answered
// there: "cannot open display ':99'" when DISPLAY names a server that is not
// running, the plain advice when nothing is named at all.
std::string NoDisplayText() {
    std::string named;
    const struct {
        const char* variable;
        const char* what;
    } kDisplays[] = {{"DISPLAY", "cannot open display"},
                     {"WAYLAND_DISPLAY", "cannot connect to Wayland display"}};
    for (const auto& d : kDisplays) {
        const char* value = SDL_getenv(d.variable);
        if (value == nullptr) continue;
        if (!named.empty()) named += "; ";
        named += value[0] == 0 ? std::string(d.variable) + " is empty"
                               : std::string(d.what) + " '" + value + "'";
    }
    if (named.empty()) {
        return "no display: DISPLAY and WAYLAND_DISPLAY are unset; run in a desktop session or "
               "under xvfb-run, or set SDL_VIDEODRIVER=offscreen to draw unseen";
    }
    return "no display: " + named +
           " (is its server running?); or set SDL_VIDEODRIVER=offscreen to draw unseen";
}

}  // namespace

// >> platform-internal

namespace platform {

bool EnsureVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    // Ctrl+C ends the program at once, as a console program's would, and the
    // close box is the window's business (WM_CLOSE), not an SDL_QUIT.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    bool driverChosen = SDL_getenv("SDL_VIDEODRIVER") != nullptr;
    // Without XDG_RUNTIME_DIR no Wayland display can be reached by name, and
    // SDL's Wayland driver would let its library print a complaint of its
    // own: leave it out (X11 is left), or, with no DISPLAY either, say at
    // once that there is no display.
    auto set = [](const char* name) {
        const char* value = SDL_getenv(name);
        return value != nullptr && value[0] != 0;
    };
    const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
    if (!driverChosen && !set("XDG_RUNTIME_DIR") && (wayland == nullptr || wayland[0] != '/')) {
        if (!set("DISPLAY")) {
            SetPlatformErrorText("SDL video: " + NoDisplayText());
            return false;
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
        std::string reason = SDL_GetError();
        if (!driverChosen) reason = NoDisplayText() + " (" + reason + ")";
        SetPlatformErrorText("SDL video: " + reason);
        return false;
    }
    // SDL 2.26 falls back to its offscreen driver when no display answers: a
    // window nobody can see or close. Only take that when asked for by name.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driverChosen && driver != nullptr &&
        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
        SetPlatformErrorText("SDL video: " + NoDisplayText());
        return false;
    }
    return true;
}

SDL_Window* GetSdlWindow(HWND window) {
    for (HWND known : g_state.windows) {
        if (known == window) return known->sdl;
    }
    return nullptr;
}

void SetPlatformErrorText(const std::string& text) { g_state.errorText = text; }

void SetDefaultHandlingHook(DefaultHandlingHook hook) { g_state.defaultHandlingHook = hook; }

void SetEventHook(EventHook hook) { g_eventHook = hook; }

void ResetWindowState() {
    for (HWND window : g_state.windows) {
        if (window->sdl != nullptr) SDL_DestroyWindow(window->sdl);
        delete window;
    }
    g_state = WindowState{};
}

}  // namespace platform

const char* GetPlatformErrorText() { return g_state.errorText.c_str(); }

// >> module, stock objects

HMODULE GetModuleHandleA(const char* moduleName) {
    // Only the program's own module exists here.
    return moduleName == nullptr ? reinterpret_cast<HMODULE>(&g_module) : nullptr;
}

HICON LoadIconA(HINSTANCE, const char* name) {
    return name != nullptr && std::strcmp(name, IDI_APPLICATION) == 0
               ? reinterpret_cast<HICON>(&g_icon)
               : nullptr;
}

HCURSOR LoadCursorA(HINSTANCE, const char* name) {
    return name != nullptr && std::strcmp(name, IDC_ARROW) == 0
               ? reinterpret_cast<HCURSOR>(&g_cursor)
               : nullptr;
}

HGDIOBJ GetStockObject(int object) { return object == BLACK_BRUSH ? &g_blackBrush : nullptr; }

// >> class and window

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
    if (windowClass == nullptr || windowClass->cbSize != sizeof(WNDCLASSEXA) ||
        windowClass->lpfnWndProc == nullptr || windowClass->lpszClassName == nullptr) {
        platform::SetPlatformErrorText("RegisterClassExA: incomplete class record");
        return 0;
    }
    if (FindClass(windowClass->lpszClassName) != nullptr) {
        platform::SetPlatformErrorText(std::string("RegisterClassExA: class \"") +
                                       windowClass->lpszClassName + "\" already registered");
        return 0;
    }
    g_state.classes.push_back(WindowClass{windowClass->lpszClassName, windowClass->lpfnWndProc});
    // Atoms of registered classes start above the system's.
    return static_cast<ATOM>(0xC000 + g_state.classes.size());
}

HWND CreateWindowExA(DWORD, const char* className, const char* title, DWORD style, int x, int y,
                     int width, int height, HWND, HMENU, HINSTANCE, void*) {
    const WindowClass* windowClass = className != nullptr ? FindClass(className) : nullptr;
    if (windowClass == nullptr) {
        platform::SetPlatformErrorText(std::string("CreateWindowExA: class \"") +
                                       (className ? className : "(null)") + "\" is not registered");
        return nullptr;
    }
    if (!platform::EnsureVideo()) return nullptr;

    // Hidden until ShowWindow, as a window without WS_VISIBLE. The size is the
    // drawable area; Present scales the back buffer into whatever it becomes.
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
    if (style & WS_POPUP) {
        flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_FULLSCREEN;
    } else if ((style & WS_OVERLAPPEDWINDOW) == WS_OVERLAPPEDWINDOW) {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    SDL_Window* sdl = SDL_CreateWindow(title ? title : "", x, y, width, height, flags);
    if (sdl == nullptr) {
        platform::SetPlatformErrorText(std::string("SDL_CreateWindow: ") + SDL_GetError());
        return nullptr;
    }

    // What the window procedure's WM_SYSCOMMAND and WM_IME_SETCONTEXT rows
    // ask for: no screen saver, no input-method windows.
    SDL_DisableScreenSaver();
    SDL_StopTextInput();

    HWND window = new HWND__{sdl, windowClass->proc};
    g_state.windows.push_back(window);
    platform::StartGlobalKeys(sdl);
    return window;
}

BOOL ShowWindow(HWND window, int command) {
    SDL_Window* sdl = platform::GetSdlWindow(window);
    if (sdl == nullptr) return FALSE;
    BOOL wasVisible = (SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN) ? TRUE : FALSE;
    if (command == SW_HIDE) {
        SDL_HideWindow(sdl);
    } else {
        SDL_ShowWindow(sdl);
    }
    return wasVisible;
}

BOOL UpdateWindow(HWND window) {
    // Nothing is painted outside the device's Present.
    return platform::GetSdlWindow(window) != nullptr ? TRUE : FALSE;
}

int ShowCursor(BOOL show) {
    g_state.cursorCount += show ? 1 : -1;
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        SDL_ShowCursor(g_state.cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    }
    return g_state.cursorCount;
}

// >> message queue

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (msg == nullptr) return FALSE;
    PumpEvents();
    for (size_t i = 0; i < g_state.queueCount; ++i) {
        const MSG& waiting = g_state.queue[(g_state.queueHead + i) % kQueueCapacity];
        if (!Matches(waiting, window, filterMin, filterMax)) continue;
        *msg = waiting;
        if (removeFlags & PM_REMOVE) RemoveAt(i);
        return TRUE;
    }
    bool quitWanted = (filterMin == 0 && filterMax == 0) ||
                      (WM_QUIT >= filterMin && WM_QUIT <= filterMax);
    if (g_state.quitPosted && quitWanted) {
        *msg = MSG{};
        msg->message = WM_QUIT;
        msg->wParam = static_cast<WPARAM>(g_state.quitCode);
        if (removeFlags & PM_REMOVE) g_state.quitPosted = false;
        return TRUE;
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG*) {
    // Character messages are not produced: the program reads keys only.
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (msg == nullptr || msg->hwnd == nullptr) return 0;
    for (HWND window : g_state.windows) {
        if (window == msg->hwnd) {
            return window->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
        }
    }
    return 0;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_state.defaultHandlingHook != nullptr) {
        g_state.defaultHandlingHook(window, message, wParam, lParam);
    }
    return 0;
}

void PostQuitMessage(int exitCode) {
    g_state.quitPosted = true;
    g_state.quitCode = exitCode;
}

// >> debug output

void OutputDebugStringA(const char* text) {
    if (text == nullptr) return;
    size_t length = std::strlen(text);
    // Debug strings rarely end their line; keep each on its own.
    bool endsLine = length > 0 && text[length - 1] == '\n';
    std::fprintf(stderr, "[debug] %s%s", text, endsLine ? "" : "\n");
}
