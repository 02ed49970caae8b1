// GetAsyncKeyState: a key counts as pressed when it is held now or was
// pressed since the previous query of that key. The latch makes a tap shorter
// than one frame still count once. Transitions come from the window's key
// events, and for F4 and F5 from the whole display where it offers them
// (global_keys_x11.cpp).
#include "platform/window/window.h"
#include "platform/window/window_sdl.h"

#include <array>

namespace {

struct KeyState {
    bool held = false;
    bool pressedSinceQuery = false;
};

std::array<KeyState, 256> g_keys;

}  // namespace

void FeedKeyEvent(int virtualKey, bool down) {
    if (virtualKey < 0 || virtualKey >= static_cast<int>(g_keys.size())) return;
    KeyState& key = g_keys[virtualKey];
    if (down) key.pressedSinceQuery = true;
    key.held = down;
}

void ResetKeyState() { g_keys.fill(KeyState{}); }

SHORT GetAsyncKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey >= static_cast<int>(g_keys.size())) return 0;
    // Where F4 and F5 come from the whole display, take what it has seen.
    platform::PollGlobalKeys();
    KeyState& key = g_keys[virtualKey];
    // Bit 15: held now; bit 0: pressed since the previous query.
    SHORT result = static_cast<SHORT>((key.held ? 0x8000 : 0) | (key.pressedSinceQuery ? 1 : 0));
    key.pressedSinceQuery = false;
    return result;
}
