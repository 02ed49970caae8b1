// Pause, single step, speed and recording around RunFrame: the main loop
// calls PresentFrame once a pass, which runs as many frames of the schedule
// as the speed asks (maybe none) and always presents one.
#include "app/time_control.h"

#include "app/frame.h"
#include "app/program.h"
#include "app/recording.h"
#include "platform/fx/fx.h"
#include "platform/window/window.h"
#include "render/camera.h"
#include "render/render_pass.h"
#include "render/scene.h"
#include "render/vertex_stream.h"
#include "sim/particles.h"

#include <cmath>

TimeControl g_timeControl = {false, 0, 0, 0};

namespace {

constexpr unsigned kTagColor = 0xFFFFFFFF;
constexpr int kTagFontHeight = 12;
constexpr int kTagCharWidth = 6;      // the built-in font's advance, about
constexpr int kTagRight = 614;        // the tag ends left of the red dot
constexpr int kDotCenterX = 626;
constexpr int kDotCenterY = 11;
constexpr int kDotRadius = 6;
constexpr unsigned kDotColor = 0xFFE01010;

ID3DXFont* g_tagFont = nullptr;
bool g_showFrame = true;      // the frame being drawn is presented
bool g_scheduleFrame = false;  // the frame being drawn is one of the schedule's

// The red dot: one rectangle a row of the disc, made once.
D3DRECT g_dotRows[2 * kDotRadius + 1];

void MakeDot() {
    for (int dy = -kDotRadius; dy <= kDotRadius; ++dy) {
        LONG half = std::lround(std::sqrt(static_cast<double>(kDotRadius * kDotRadius - dy * dy) + 0.25));
        LONG y = kDotCenterY + dy;
        g_dotRows[dy + kDotRadius] = {kDotCenterX - half, y, kDotCenterX + half, y + 1};
    }
}

// The tag and the red dot over the frame, after it was read back for a
// recording: neither is recorded.
void DrawTags() {
    const char* tag = TimeTag(g_timeControl);
    bool recording = RecordingVideo();
    if (tag[0] == '\0' && !recording) return;
    if (g_device->BeginScene() != 0) return;
    if (recording) g_device->Clear(2 * kDotRadius + 1, g_dotRows, D3DCLEAR_TARGET, kDotColor, 1.0f, 0);
    if (tag[0] != '\0') {
        if (g_tagFont == nullptr) {
            D3DXCreateFontA(g_device, kTagFontHeight, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "", &g_tagFont);
        }
        if (g_tagFont != nullptr) {
            int width = 0;
            while (tag[width] != '\0') ++width;
            RECT area = {kTagRight - width * kTagCharWidth, 5, kTagRight, 5 + kTagFontHeight + 2};
            g_tagFont->DrawTextA(nullptr, tag, -1, &area, DT_LEFT | DT_TOP, kTagColor);
        }
    }
    g_device->EndScene();
}

// The render pass's hook: the drawn frame, before Present.
bool FinishDrawnFrame() {
    if (g_scheduleFrame && RecordingVideo()) RecordFrame();
    if (!g_showFrame) return false;
    DrawTags();
    return true;
}

// The frame of the schedule drawn again, no frame run: the keys F5 and F4
// and --watch still act, and F4 shows the scattered particles at once.
void RepaintFrame() {
    if (TakeReloadKeys()) {
        SeedParticles();
        // The next frame of the schedule is F4's frame: counter 0, with its
        // mode flip and new target.
        g_frameCounter = -1;
    }
    float time = g_constants.c[0][0];
    UpdateCamera();
    if (g_vertexBuffer != nullptr) FillParticleVertices();
    g_showFrame = true;
    g_scheduleFrame = false;
    RenderParticles();
    // The shader time stands still.
    g_constants.c[0][0] = time;
}

}  // namespace

int ScheduleFramesFor(const TimeControl& time) {
    if (time.paused) return time.stepsAsked > 0 ? 1 : 0;
    if (time.speedStep >= 0) return 1 << time.speedStep;
    long every = 1L << -time.speedStep;
    return (time.presentedAtSpeed + 1) % every == 0 ? 1 : 0;
}

void AdvanceTimeControl(TimeControl* time) {
    if (time->paused && time->stepsAsked > 0) --time->stepsAsked;
    ++time->presentedAtSpeed;
}

bool ApplyTimeKey(TimeControl* time, int virtualKey) {
    switch (virtualKey) {
        case VK_SPACE:
            time->paused = !time->paused;
            time->stepsAsked = 0;
            time->presentedAtSpeed = 0;
            return true;
        case VK_OEM_PERIOD:
            if (time->paused) {
                ++time->stepsAsked;
            } else {
                time->paused = true;
                time->presentedAtSpeed = 0;
            }
            return true;
        case VK_OEM_4:
        case VK_OEM_6: {
            int step = time->speedStep + (virtualKey == VK_OEM_6 ? 1 : -1);
            if (step < kSlowestSpeedStep || step > kFastestSpeedStep) return true;
            time->speedStep = step;
            time->presentedAtSpeed = 0;
            return true;
        }
        default:
            return false;
    }
}

const char* TimeTag(const TimeControl& time) {
    static const char* const kSpeeds[] = {"x1/8", "x1/4", "x1/2", "", "x2", "x4", "x8"};
    if (time.paused) return "paused";
    return kSpeeds[time.speedStep - kSlowestSpeedStep];
}

void TakeTimeKey(WPARAM virtualKey, LPARAM flags) {
    // Bit 30: the key was already down (an auto-repeat).
    bool repeat = (flags & (LPARAM{1} << 30)) != 0;
    int key = static_cast<int>(virtualKey);
    if ((key == VK_SPACE || key == VK_F9) && repeat) return;
    if (key == VK_F9) {
        ToggleRecording();
        return;
    }
    ApplyTimeKey(&g_timeControl, key);
}

void PresentFrame() {
    int frames = ScheduleFramesFor(g_timeControl);
    AdvanceTimeControl(&g_timeControl);
    if (frames == 0) {
        RepaintFrame();
        return;
    }
    // Only the last is drawn, unless a recording needs them all.
    for (int i = 1; i <= frames; ++i) {
        g_showFrame = i == frames;
        g_scheduleFrame = true;
        g_drawFrame = g_showFrame || RecordingVideo();
        g_programSteps.runFrame();
    }
    g_drawFrame = true;
    g_showFrame = true;
    g_scheduleFrame = false;
}

void StartTimeControl() {
    MakeDot();
    g_beforePresent = FinishDrawnFrame;
}

void StopTimeControl() {
    if (RecordingVideo()) StopRecording();
    if (g_tagFont != nullptr) g_tagFont->Release();
    g_tagFont = nullptr;
    g_beforePresent = nullptr;
}
