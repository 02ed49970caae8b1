// Platform-internal: what platform/gfx, tests and tools need from the window
// layer, and the keys read from the whole display. Never included by the
// program (app/, render/, sim/).
#pragma once

#include "platform/types.h"

#include <string>

struct SDL_Window;
union SDL_Event;

namespace platform {

// Initialises SDL's video subsystem on first use. False (with the reason in
// GetPlatformErrorText) when there is no display to talk to.
bool EnsureVideo();

// The SDL window behind a window handle, or nullptr for an unknown handle.
SDL_Window* GetSdlWindow(HWND window);

// Records the reason of the latest platform failure for GetPlatformErrorText.
void SetPlatformErrorText(const std::string& text);

// Test hook: called with every message that reaches DefWindowProcA, so that
// tests can tell which messages a window procedure leaves to the default
// handling. nullptr turns it off.
using DefaultHandlingHook = void (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void SetDefaultHandlingHook(DefaultHandlingHook hook);

// An overlay that takes input before the program (the knobs panel): sees
// every SDL event first, and an event it returns true for goes no further
// (no message, no key state). nullptr turns it off.
using EventHook = bool (*)(const SDL_Event& event);
void SetEventHook(EventHook hook);

// While true, keys go to an overlay's text field: F4 and F5 read from the
// whole display are dropped too.
void SetKeysCaptured(bool captured);

// >> F4 / F5 from the whole display (global_keys_x11.cpp)

// The keycodes the display gives F4 and F5.
struct GlobalKeyCodes {
    unsigned f4 = 0;
    unsigned f5 = 0;
};

// One raw key event, seen whatever window has the focus, into the key state.
// Only F4 and F5 are taken; every other key is dropped.
void FeedRawKeyEvent(const GlobalKeyCodes& codes, unsigned keycode, bool down);

// From the first window on: F4 and F5 come from the whole display when SDL
// runs on X11 and the server has XInput 2.1; otherwise (Wayland, offscreen,
// an X server without it) they keep coming from the focused window only.
void StartGlobalKeys(SDL_Window* window);

// What StartGlobalKeys does once it knows the X display's name; also for
// tools and benchmarks without an X11 window. False (said on standard
// error) when the display or its XInput 2.1 is not there.
bool OpenGlobalKeys(const char* displayName);

// Back to the window's own key events for F4 and F5.
void StopGlobalKeys();

// True once F4 and F5 come from the display instead of the window's events.
bool GlobalKeysActive();

// Takes the key events waiting on the display connection; never blocks.
void PollGlobalKeys();

// Test hook: destroys every window and forgets the classes, waiting
// messages, a posted quit, the cursor count, the error text and the hook.
// The key state has its own reset (ResetKeyState).
void ResetWindowState();

}  // namespace platform
