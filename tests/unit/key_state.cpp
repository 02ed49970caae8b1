// The key state latch as the frame reads it, driven by raw key events of the
// whole display (what X11 delivers whatever window has the focus): a key
// counts when it is held now or was pressed since the previous query of that
// key; only F4 and F5 are ever taken from the display.
#include "platform/window/window.h"
#include "platform/window/window_sdl.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

namespace {

// Keycodes as a display might number them.
constexpr platform::GlobalKeyCodes kCodes{70, 71};
const std::map<std::string, unsigned> kKeycodes = {
    {"F4", 70}, {"F5", 71}, {"Esc", 9}, {"A", 38}, {"none", 0}};
const std::map<std::string, int> kVirtualKeys = {
    {"F4", VK_F4}, {"F5", VK_F5}, {"Esc", VK_ESCAPE}, {"A", 'A'}};

// Each script is a sequence of events: "+KEY" a raw press, "-KEY" a raw
// release, "?KEY=HEX" a query with the value GetAsyncKeyState must return.
struct Case {
    const char* name;
    const char* script;
};

const Case kCases[] = {
    {"a tap between two queries counts once", "?F5=0 +F5 -F5 ?F5=1 ?F5=0"},
    {"two taps between two queries count once", "+F5 -F5 +F5 -F5 ?F5=1 ?F5=0"},
    {"a held key counts at every query", "+F5 ?F5=8001 ?F5=8000 ?F5=8000 -F5 ?F5=0"},
    {"a release after the query leaves nothing", "+F4 ?F4=8001 -F4 ?F4=0 ?F4=0"},
    {"a query clears only its own key", "+F4 +F5 -F4 -F5 ?F4=1 ?F5=1 ?F4=0 ?F5=0"},
    {"F4 and F5 are apart", "+F4 ?F5=0 ?F4=8001 -F4 ?F4=0 ?F5=0"},
    {"a press after the query counts at the next", "+F5 -F5 ?F5=1 +F5 ?F5=8001 -F5 ?F5=0"},
    {"other keys of the display are dropped", "+Esc +A -A ?Esc=0 ?A=0 -Esc ?Esc=0"},
    {"an unknown keycode is dropped", "+none ?F4=0 ?F5=0"},
};

TEST(KeyStateTest, RawKeyEventsThroughTheLatch) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ResetKeyState();
        std::istringstream events(c.script);
        std::string event;
        while (events >> event) {
            std::string key = event.substr(1, event.find('=') - 1);
            if (event[0] == '+' || event[0] == '-') {
                platform::FeedRawKeyEvent(kCodes, kKeycodes.at(key), event[0] == '+');
            } else {
                int expected = static_cast<int>(std::strtol(event.c_str() + event.find('=') + 1, nullptr, 16));
                EXPECT_EQ(static_cast<uint16_t>(GetAsyncKeyState(kVirtualKeys.at(key))), expected)
                    << "at " << event;
            }
        }
    }
    ResetKeyState();
}

}  // namespace
