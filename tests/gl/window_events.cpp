// SDL events as the window procedure receives them: key messages with
// virtual-key codes, the key state latch, the close box and the end of the
// session, on a real SDL window (offscreen driver).
#include "platform/window/window.h"
#include "platform/window/window_sdl.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<MSG> g_dispatched;

LRESULT RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    g_dispatched.push_back(MSG{window, message, wParam, lParam, 0, {0, 0}});
    return 0;
}

class WindowEventsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.lpszClassName = "events";
        ASSERT_NE(RegisterClassExA(&windowClass), 0);
        // The same name twice is refused.
        EXPECT_EQ(RegisterClassExA(&windowClass), 0);
        window_ = CreateWindowExA(0, "events", "events", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window_, nullptr) << GetPlatformErrorText();
    }

    void SetUp() override {
        ASSERT_NE(window_, nullptr);
        Drain();
        ResetKeyState();
        g_dispatched.clear();
    }

    static void Drain() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != 0) {
        }
    }

    static void PushKey(Uint32 type, SDL_Keycode key, bool repeat = false) {
        SDL_Event event{};
        event.type = type;
        event.key.windowID = SDL_GetWindowID(platform::GetSdlWindow(window_));
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat ? 1 : 0;
        event.key.keysym.sym = key;
        SDL_PushEvent(&event);
    }

    // Takes and dispatches every waiting message, as the main loop does.
    static void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != 0) {
            if (msg.message == WM_QUIT) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    static HWND window_;
};

HWND WindowEventsTest::window_ = nullptr;

TEST_F(WindowEventsTest, KeysArriveWithTheirVirtualKeyCodes) {
    const std::pair<SDL_Keycode, int> keys[] = {
        {SDLK_ESCAPE, VK_ESCAPE}, {SDLK_F1, VK_F1},    {SDLK_F4, VK_F4},
        {SDLK_F5, VK_F5},         {SDLK_F12, VK_F12},  {SDLK_LEFT, VK_LEFT},
        {SDLK_UP, VK_UP},         {SDLK_RIGHT, VK_RIGHT}, {SDLK_DOWN, VK_DOWN},
        {SDLK_a, 'A'},            {SDLK_0, '0'},       {SDLK_RETURN, VK_RETURN},
    };
    for (auto [key, vk] : keys) {
        PushKey(SDL_KEYDOWN, key);
        PushKey(SDL_KEYUP, key);
    }
    Pump();
    ASSERT_EQ(g_dispatched.size(), 2 * std::size(keys));
    for (size_t i = 0; i < std::size(keys); ++i) {
        const MSG& down = g_dispatched[2 * i];
        const MSG& up = g_dispatched[2 * i + 1];
        EXPECT_EQ(down.hwnd, window_);
        EXPECT_EQ(down.message, WM_KEYDOWN);
        EXPECT_EQ(down.wParam, static_cast<WPARAM>(keys[i].second)) << i;
        EXPECT_EQ(up.message, WM_KEYUP);
        EXPECT_EQ(up.wParam, static_cast<WPARAM>(keys[i].second)) << i;
    }
}

TEST_F(WindowEventsTest, KeyStateLatchesATapUntilQueried) {
    // Pressed and released between two frames: still seen once.
    PushKey(SDL_KEYDOWN, SDLK_F5);
    PushKey(SDL_KEYUP, SDLK_F5);
    Pump();
    EXPECT_NE(GetAsyncKeyState(VK_F5), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_F5), 0);

    // Held: reported while held, and key repeats do not add presses.
    PushKey(SDL_KEYDOWN, SDLK_F4);
    Pump();
    EXPECT_EQ(GetAsyncKeyState(VK_F4) & 0x8001, 0x8001);
    PushKey(SDL_KEYDOWN, SDLK_F4, true);
    Pump();
    EXPECT_EQ(GetAsyncKeyState(VK_F4) & 0x8001, 0x8000);
    PushKey(SDL_KEYUP, SDLK_F4);
    Pump();
    EXPECT_EQ(GetAsyncKeyState(VK_F4), 0);
}

TEST_F(WindowEventsTest, CloseBoxAndSessionEndBecomeCloseAndDestroy) {
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.windowID = SDL_GetWindowID(platform::GetSdlWindow(window_));
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&close);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    Pump();
    ASSERT_EQ(g_dispatched.size(), 2u);
    EXPECT_EQ(g_dispatched[0].message, WM_CLOSE);
    EXPECT_EQ(g_dispatched[0].hwnd, window_);
    EXPECT_EQ(g_dispatched[1].message, WM_DESTROY);
    EXPECT_EQ(g_dispatched[1].hwnd, window_);
    // The window is still there: nothing destroys it but the process end.
    EXPECT_NE(platform::GetSdlWindow(window_), nullptr);
}

TEST_F(WindowEventsTest, QuitComesAfterWaitingMessages) {
    PushKey(SDL_KEYDOWN, SDLK_ESCAPE);
    PostQuitMessage(0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
}

}  // namespace
