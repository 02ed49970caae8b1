// The program's start, loop and shutdown with a recording device in place of
// the GL device. Each run happens in a child process (the window class can
// be registered once per process); the window comes from SDL's offscreen
// driver, so no display is needed. The child prints a summary on standard
// error and exits with RunProgram's code; the parent matches both.
#include "app/program.h"
#include "platform/window/window_sdl.h"
#include "render/scene.h"
#include "tests/support/recording_device.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using testing_support::CallLog;
using testing_support::RecordingDevice;

CallLog g_log;  // the program's steps, in the order they ran
int g_frames = 0;
int g_quitAtFrame = 3;              // frame in which the quit input arrives
Uint32 g_inputEvent = SDL_KEYDOWN;  // what the quit input is
RecordingDevice* g_recordingDevice = nullptr;

bool DeviceReleased() {
    return g_recordingDevice != nullptr && g_recordingDevice->log.Contains("Device::Release");
}

class FakeDirect3D final : public IDirect3D9 {
public:
    ULONG AddRef() override { return 2; }
    ULONG Release() override {
        // The device keeps its own log: note here whether it went first.
        if (DeviceReleased()) g_log.Add("Device::Release");
        g_log.Add("D3D::Release");
        return 0;
    }
    HRESULT CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*,
                         IDirect3DDevice9** device) override {
        g_log.Add("CreateDevice");
        *device = g_recordingDevice;
        if (g_recordingDevice == nullptr) platform::SetPlatformErrorText("device refused by the test");
        return g_recordingDevice != nullptr ? S_OK : D3DERR_NOTAVAILABLE;
    }
};

FakeDirect3D* g_fakeDirect3D = nullptr;

// The quit input as the window system delivers it: an SDL event for the
// program's window, pumped by the next PeekMessageA.
void SendQuitInput() {
    SDL_Event event{};
    Uint32 windowId = SDL_GetWindowID(platform::GetSdlWindow(g_window));
    if (g_inputEvent == SDL_KEYDOWN) {
        event.type = SDL_KEYDOWN;
        event.key.windowID = windowId;
        event.key.state = SDL_PRESSED;
        event.key.keysym.sym = SDLK_ESCAPE;
        event.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    } else {
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = windowId;
        event.window.event = SDL_WINDOWEVENT_CLOSE;
    }
    SDL_PushEvent(&event);
}

void CountFrame() {
    ++g_frames;
    if (g_frames == g_quitAtFrame) SendQuitInput();
    if (g_frames > 1000) PostQuitMessage(0);  // never hang the test
}

// Stands in for the graphics system and the scene, in the child process.
void UseFakes(bool withDevice) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    g_recordingDevice = withDevice ? new RecordingDevice() : nullptr;
    g_fakeDirect3D = new FakeDirect3D();
    g_programSteps.createDirect3D = [](UINT sdkVersion) -> IDirect3D9* {
        return sdkVersion == 32 ? g_fakeDirect3D : nullptr;
    };
    g_programSteps.initScene = [] { g_log.Add("InitScene"); };
    g_programSteps.runFrame = CountFrame;
    g_programSteps.releaseScene = [] {
        g_log.Add(DeviceReleased() ? "ReleaseScene after the device" : "ReleaseScene");
    };
}

// Runs the program in this (child) process, prints "frames=N calls=A,B,..."
// and exits with the program's code.
[[noreturn]] void RunAndReport() {
    int code = RunProgram();
    std::string calls;
    for (const std::string& call : g_log.calls) calls += (calls.empty() ? "" : ",") + call;
    std::fprintf(stderr, "frames=%d calls=%s\n", g_frames, calls.c_str());
    std::fflush(stderr);
    std::_Exit(code);
}

class ProgramTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(ProgramTest, EscapeQuitsAfterOneMoreFrameAndReleasesInOrder) {
    EXPECT_EXIT(
        {
            UseFakes(true);
            g_quitAtFrame = 3;
            g_inputEvent = SDL_KEYDOWN;
            RunAndReport();
        },
        ::testing::ExitedWithCode(0),
        "frames=4 calls=CreateDevice,InitScene,ReleaseScene,Device::Release,D3D::Release");
}

TEST_F(ProgramTest, CloseBoxQuitsAfterOneMoreFrame) {
    EXPECT_EXIT(
        {
            UseFakes(true);
            g_quitAtFrame = 2;
            g_inputEvent = SDL_WINDOWEVENT;
            RunAndReport();
        },
        ::testing::ExitedWithCode(0),
        "frames=3 calls=CreateDevice,InitScene,ReleaseScene,Device::Release,D3D::Release");
}

TEST_F(ProgramTest, MissingGraphicsSystemIsAnErrorWithItsReason) {
    EXPECT_EXIT(
        {
            UseFakes(false);
            g_programSteps.createDirect3D = [](UINT) -> IDirect3D9* {
                platform::SetPlatformErrorText("no GL in this test");
                return nullptr;
            };
            RunAndReport();
        },
        ::testing::ExitedWithCode(1),
        "ERROR : Direct3DCreate9: no GL in this test\nframes=0 calls=\n$");
}

TEST_F(ProgramTest, MissingDeviceIsAnErrorAndStillReleasesInOrder) {
    EXPECT_EXIT(
        {
            UseFakes(false);
            RunAndReport();
        },
        ::testing::ExitedWithCode(1),
        "ERROR : CreateDevice: device refused by the test\n"
        "frames=0 calls=CreateDevice,ReleaseScene,D3D::Release\n$");
}

TEST_F(ProgramTest, NoDisplayIsAnErrorNotASilentSuccess) {
    EXPECT_EXIT(
        {
            UseFakes(true);
            unsetenv("SDL_VIDEODRIVER");
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            RunAndReport();
        },
        ::testing::ExitedWithCode(1),
        "ERROR : Can't Create Window: SDL video: no display.*\nframes=0 calls=\n$");
}

TEST_F(ProgramTest, TakenClassNameExitsWithOneAndNothingElse) {
    EXPECT_EXIT(
        {
            UseFakes(true);
            WNDCLASSEXA taken{};
            taken.cbSize = sizeof taken;
            taken.lpfnWndProc = WndProc;
            taken.lpszClassName = "test";
            RegisterClassExA(&taken);
            RunAndReport();
        },
        ::testing::ExitedWithCode(1), "^frames=0 calls=\n$");
}

}  // namespace
