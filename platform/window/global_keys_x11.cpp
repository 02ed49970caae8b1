// F4 and F5 from the whole display, not only from the focused window: the
// program is meant to be driven from an editor beside it, where a person
// saves and presses F5 without switching windows.
//
// Implemented: [x] X11 with XInput 2.1 or later: raw key presses and releases
//                  of the master keyboards, selected on the root window of a
//                  connection of our own, read without blocking whenever the
//                  key state is queried
//              [x] the keys held at start (XQueryKeymap)
//              [x] only F4 and F5 reach the key state; every other key seen
//                  this way is dropped unread
// Not implemented: Wayland (a session gives no client the keys of another;
// under XWayland, X11 clients see keys only while an X11 window has the
// focus), SDL's offscreen driver. There F4 and F5 come from the window's own
// key events, as every key does.
//
// Why a connection of our own: SDL pumps its display connection itself and
// frees each event's XInput data after handling it, and a root-window event
// mask set on its connection would replace the one SDL sets there.
#include "platform/window/window.h"
#include "platform/window/window_sdl.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstring>

namespace {

struct GlobalKeys {
    Display* display = nullptr;
    int inputOpcode = 0;  // XInput's major opcode: tells its events apart
    platform::GlobalKeyCodes codes;

    ~GlobalKeys() {
        if (display != nullptr) XCloseDisplay(display);
    }
};

GlobalKeys g_global;

void Note(const char* why) {
    std::fprintf(stderr, "[window] F4 and F5 act only while the window has the focus: %s\n", why);
}

void ReadKeyCodes() {
    g_global.codes.f4 = XKeysymToKeycode(g_global.display, XK_F4);
    g_global.codes.f5 = XKeysymToKeycode(g_global.display, XK_F5);
}

bool KeyHeld(const char (&keymap)[32], unsigned keycode) {
    return keycode > 0 && keycode < 256 && (keymap[keycode / 8] & (1 << (keycode % 8))) != 0;
}

}  // namespace

namespace platform {

namespace {
bool g_keysCaptured = false;
}  // namespace

void SetKeysCaptured(bool captured) { g_keysCaptured = captured; }

void FeedRawKeyEvent(const GlobalKeyCodes& codes, unsigned keycode, bool down) {
    if (keycode == 0) return;
    // Typed into an overlay's text field: a press is not the program's. A
    // release still clears what is held.
    if (g_keysCaptured && down) return;
    if (keycode == codes.f5) {
        FeedKeyEvent(VK_F5, down);
    } else if (keycode == codes.f4) {
        FeedKeyEvent(VK_F4, down);
    }
}

void StartGlobalKeys(SDL_Window* window) {
    if (g_global.display != nullptr || window == nullptr) return;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || std::strcmp(driver, "x11") != 0) {
        if (driver != nullptr && std::strcmp(driver, "wayland") == 0) {
            Note("a Wayland session gives no global key state");
        }
        return;
    }
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return;
    // The display SDL talks to, on a connection of our own.
    OpenGlobalKeys(XDisplayString(info.info.x11.display));
}

bool OpenGlobalKeys(const char* displayName) {
    if (g_global.display != nullptr) return true;
    Display* display = XOpenDisplay(displayName);
    if (display == nullptr) {
        Note("no second connection to the X server");
        return false;
    }
    int opcode = 0, firstEvent = 0, firstError = 0;
    int major = 2, minor = 1;
    if (XQueryExtension(display, "XInputExtension", &opcode, &firstEvent, &firstError) == False ||
        XIQueryVersion(display, &major, &minor) != Success || major < 2 ||
        (major == 2 && minor < 1)) {
        XCloseDisplay(display);
        Note("the X server has no XInput 2.1");
        return false;
    }

    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XIEventMask mask;
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof bits;
    mask.mask = bits;
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);

    g_global.display = display;
    g_global.inputOpcode = opcode;
    ReadKeyCodes();

    // Keys already held count from the first query on.
    char keymap[32] = {};
    XQueryKeymap(display, keymap);
    FeedKeyEvent(VK_F4, KeyHeld(keymap, g_global.codes.f4));
    FeedKeyEvent(VK_F5, KeyHeld(keymap, g_global.codes.f5));
    return true;
}

void StopGlobalKeys() {
    if (g_global.display != nullptr) XCloseDisplay(g_global.display);
    g_global = GlobalKeys{};
}

bool GlobalKeysActive() { return g_global.display != nullptr; }

void PollGlobalKeys() {
    Display* display = g_global.display;
    if (display == nullptr) return;
    // XPending reads what the socket holds without waiting for more.
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            ReadKeyCodes();
            continue;
        }
        XGenericEventCookie& cookie = event.xcookie;
        if (cookie.type != GenericEvent || cookie.extension != g_global.inputOpcode ||
            XGetEventData(display, &cookie) == False) {
            continue;
        }
        if (cookie.evtype == XI_RawKeyPress || cookie.evtype == XI_RawKeyRelease) {
            const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
            FeedRawKeyEvent(g_global.codes, static_cast<unsigned>(raw->detail),
                            cookie.evtype == XI_RawKeyPress);
        }
        XFreeEventData(display, &cookie);
    }
}

}  // namespace platform
