// Platform-internal: what platform/gfx needs from the window layer. Never
// included by the program (app/, render/, sim/).
#pragma once

#include "platform/types.h"

#include <string>

struct SDL_Window;

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

// Test hook: destroys every window and forgets the classes, waiting
// messages, a posted quit, the cursor count, the error text and the hook.
// The key state has its own reset (ResetKeyState).
void ResetWindowState();

}  // namespace platform
