// The window procedure's rows and the message queue it posts into, without a
// display: SDL is never initialised here.
#include "app/program.h"
#include "platform/window/window.h"
#include "platform/window/window_sdl.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct DefaultCall {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<DefaultCall> g_defaultCalls;

void RecordDefault(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    g_defaultCalls.push_back({message, wParam, lParam});
}

// True when the queue hands out WM_QUIT (and takes it).
bool TakeQuit() {
    MSG msg{};
    bool quit = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != 0) {
        if (msg.message == WM_QUIT) quit = true;
    }
    return quit;
}

class WindowProcTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetWindowState();
        g_defaultCalls.clear();
        platform::SetDefaultHandlingHook(RecordDefault);
    }
    void TearDown() override { platform::ResetWindowState(); }
};

TEST_F(WindowProcTest, EscapePostsQuitAndStillGetsDefaultHandling) {
    WndProc(nullptr, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(TakeQuit());
    ASSERT_EQ(g_defaultCalls.size(), 1u);
    EXPECT_EQ(g_defaultCalls[0].message, WM_KEYDOWN);
    EXPECT_EQ(g_defaultCalls[0].wParam, WPARAM{VK_ESCAPE});

    // Other keys, and Escape released, only reach the default handling.
    WndProc(nullptr, WM_KEYDOWN, VK_F5, 0);
    WndProc(nullptr, WM_KEYUP, VK_ESCAPE, 0);
    EXPECT_FALSE(TakeQuit());
    EXPECT_EQ(g_defaultCalls.size(), 3u);
}

TEST_F(WindowProcTest, CloseAndDestroyPostQuitAndSkipDefaultHandling) {
    for (UINT message : {WM_CLOSE, WM_DESTROY}) {
        EXPECT_EQ(WndProc(nullptr, message, 0, 0), 0);
        EXPECT_TRUE(TakeQuit()) << message;
    }
    // Skipping the default handling is what keeps the window alive for the
    // last frame.
    EXPECT_TRUE(g_defaultCalls.empty());
}

TEST_F(WindowProcTest, ScreenSaverAndMonitorPowerAreRefused) {
    // The low four bits are the system's own and do not change the request.
    for (WPARAM request : {SC_SCREENSAVE, SC_MONITORPOWER, SC_MONITORPOWER | 0x2,
                           SC_SCREENSAVE | 0xF}) {
        EXPECT_EQ(WndProc(nullptr, WM_SYSCOMMAND, request, 2), 0);
    }
    EXPECT_TRUE(g_defaultCalls.empty());

    const WPARAM close = 0xF060, minimize = 0xF020;
    WndProc(nullptr, WM_SYSCOMMAND, close, 0);
    WndProc(nullptr, WM_SYSCOMMAND, minimize | 0x3, 0);
    ASSERT_EQ(g_defaultCalls.size(), 2u);
    EXPECT_EQ(g_defaultCalls[0].wParam, close);
    EXPECT_EQ(g_defaultCalls[1].wParam, minimize | 0x3);
    EXPECT_FALSE(TakeQuit());
}

TEST_F(WindowProcTest, ImeContextHidesEveryInputMethodWindow) {
    WndProc(nullptr, WM_IME_SETCONTEXT, 1, static_cast<LPARAM>(0xC123456Fu));
    ASSERT_EQ(g_defaultCalls.size(), 1u);
    EXPECT_EQ(g_defaultCalls[0].message, WM_IME_SETCONTEXT);
    EXPECT_EQ(g_defaultCalls[0].wParam, WPARAM{1});
    EXPECT_EQ(g_defaultCalls[0].lParam, LPARAM{0x01234560});
}

TEST(MessageQueueTest, QuitWaitsInTheQueueUntilTaken) {
    platform::ResetWindowState();
    MSG msg{};
    EXPECT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), FALSE);

    PostQuitMessage(3);
    // A range that leaves out WM_QUIT does not see it; PM_NOREMOVE leaves it.
    EXPECT_EQ(PeekMessageA(&msg, nullptr, WM_KEYDOWN, WM_KEYUP, PM_REMOVE), FALSE);
    ASSERT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE), TRUE);
    EXPECT_EQ(msg.message, WM_QUIT);
    ASSERT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), TRUE);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, WPARAM{3});
    EXPECT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), FALSE);

    // Dispatching a thread message (no window) calls nothing.
    msg = MSG{};
    msg.message = WM_KEYDOWN;
    EXPECT_EQ(DispatchMessageA(&msg), 0);
}

TEST(WindowClassTest, RecordIsCompleteBeforeMainRuns) {
    // Filled by a module-level initialiser: main only adds the instance.
    EXPECT_EQ(g_windowClass.cbSize, sizeof(WNDCLASSEXA));
    EXPECT_EQ(g_windowClass.style, 0x43u);
    EXPECT_EQ(g_windowClass.lpfnWndProc, &WndProc);
    EXPECT_NE(g_windowClass.hIcon, nullptr);
    EXPECT_NE(g_windowClass.hCursor, nullptr);
    EXPECT_NE(g_windowClass.hbrBackground, nullptr);
    EXPECT_STREQ(g_windowClass.lpszClassName, "test");
    EXPECT_EQ(g_windowClass.hIconSm, nullptr);
}

}  // namespace
