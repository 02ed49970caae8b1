// The knobs panel (see panel.h): Dear ImGui 1.86 with its SDL2 and OpenGL 3
// backends, drawn over the window by the device's present overlay.
//
// Implemented: [x] F1 shows / hides, Ctrl+S saves (platform/knobs)
//              [x] a row per visible knob: slider (the soft range; Ctrl+click
//                  types a value, which may leave the soft range and is held
//                  to the hard one), drag, colour picker, checkbox; a reset
//                  per knob and for all; groups as collapsing headers
//              [x] extra rows of the program's own (AddPanelCheckbox)
//              [x] figures: fps, CPU and GPU time of a frame (GL_TIME_ELAPSED
//                  queries in a ring, each read once its result is there, a
//                  few frames late: never waits for the GPU), the last
//                  load's time, the particle count
//              [x] keys taken while the panel wants the keyboard; text input
//                  (SDL_StartTextInput) only while a text field is active
//              [x] a key pressed and released between two frames (a busy
//                  machine, a fast typist) still counts as a press: ImGui
//                  1.86 reads key states once a frame, so the release is
//                  held back a frame, and the modifiers are the event's,
//                  not SDL's state when the event is read
// Not implemented: ImGui's keyboard navigation, an .ini file of its own
// (the panel starts at the same place every time).
#include "platform/panel/panel.h"

#include "platform/fx/effect_info.h"
#include "platform/gfx/gl_device.h"
#include "platform/knobs/knobs.h"
#include "platform/window/window_sdl.h"

#include <SDL.h>
#include <epoxy/gl.h>
#include <imgui.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>

#include <time.h>

#include <cfloat>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kQueries = 4;  // GPU times are read up to this many frames late

struct ExtraRow {
    const char* label;
    bool* value;
};

struct Panel {
    bool started = false;
    bool shown = false;
    bool textInput = false;  // SDL_StartTextInput is on for a text field
    IDirect3DDevice9* device = nullptr;
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;  // the device's
    int particles = 0;
    std::vector<ExtraRow> extraRows;

    // >> keys: released since the last frame after going down in it (the
    // release waits for the next frame), and released before the next one
    bool pressed[SDL_NUM_SCANCODES] = {};
    bool held[SDL_NUM_SCANCODES] = {};
    bool due[SDL_NUM_SCANCODES] = {};
    int heldMods = -1, dueMods = -1;  // the modifiers those releases leave; -1: none

    // >> figures
    GLuint queries[kQueries] = {};
    bool pending[kQueries] = {};
    int active = -1;  // the query running now, -1: none
    double gpuMs = 0;
    double lastCpu = 0, cpuMs = 0;
    double lastWall = 0, windowStart = 0, fps = 0;
    int windowFrames = 0;
};

Panel g_panel;

double Seconds(clockid_t clock) {
    timespec t;
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void SetModifiers(int mods) {
    ImGuiIO& io = ImGui::GetIO();
    io.KeyShift = (mods & KMOD_SHIFT) != 0;
    io.KeyCtrl = (mods & KMOD_CTRL) != 0;
    io.KeyAlt = (mods & KMOD_ALT) != 0;
    io.KeySuper = (mods & KMOD_GUI) != 0;
}

// A key's event to ImGui, with a release that follows its press before a
// frame could see it held back.
void PassKey(const SDL_Event& event) {
    const int code = event.key.keysym.scancode;
    if (code < 0 || code >= SDL_NUM_SCANCODES) return;
    if (event.type == SDL_KEYUP && g_panel.pressed[code]) {
        g_panel.held[code] = true;
        g_panel.heldMods = event.key.keysym.mod;
        return;
    }
    if (event.type == SDL_KEYDOWN) {
        g_panel.pressed[code] = true;
        g_panel.held[code] = g_panel.due[code] = false;
    }
    ImGui_ImplSDL2_ProcessEvent(&event);
    SetModifiers(event.key.keysym.mod);
    g_panel.heldMods = g_panel.dueMods = -1;
}

// Before a frame: the releases held back for the last one happen now.
void StartKeyFrame() {
    ImGuiIO& io = ImGui::GetIO();
    for (int i = 0; i < SDL_NUM_SCANCODES; ++i) {
        if (g_panel.due[i]) io.KeysDown[i] = false;
        g_panel.due[i] = g_panel.held[i];
        g_panel.held[i] = g_panel.pressed[i] = false;
    }
    if (g_panel.dueMods >= 0) SetModifiers(g_panel.dueMods);
    g_panel.dueMods = g_panel.heldMods;
    g_panel.heldMods = -1;
}

// F1 and Ctrl+S are the panel's; what the panel wants goes no further.
bool TakeEvent(const SDL_Event& event) {
    const bool key = event.type == SDL_KEYDOWN || event.type == SDL_KEYUP;
    const bool typing = g_panel.shown && ImGui::GetIO().WantTextInput;
    if (key && event.key.keysym.sym == SDLK_F1 && !typing) {
        if (event.type == SDL_KEYDOWN && event.key.repeat == 0) g_panel.shown = !g_panel.shown;
        return true;
    }
    if (key && event.key.keysym.sym == SDLK_s && (event.key.keysym.mod & KMOD_CTRL) != 0 && !typing) {
        if (event.type == SDL_KEYDOWN && event.key.repeat == 0) SaveKnobs();
        return true;
    }
    if (!g_panel.shown) return false;
    if (key) {
        PassKey(event);
    } else {
        ImGui_ImplSDL2_ProcessEvent(&event);
    }
    const ImGuiIO& io = ImGui::GetIO();
    if (key || event.type == SDL_TEXTINPUT) return io.WantCaptureKeyboard;
    if (event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP ||
        event.type == SDL_MOUSEWHEEL || event.type == SDL_MOUSEMOTION) {
        return io.WantCaptureMouse;
    }
    return false;
}

// The frame's times, measured from one present to the next.
void MeasureFrame() {
    const double cpu = Seconds(CLOCK_THREAD_CPUTIME_ID);
    const double wall = Seconds(CLOCK_MONOTONIC);
    if (g_panel.lastCpu != 0) g_panel.cpuMs = (cpu - g_panel.lastCpu) * 1000.0;
    g_panel.lastCpu = cpu;
    if (g_panel.windowStart == 0) g_panel.windowStart = wall;
    ++g_panel.windowFrames;
    if (wall - g_panel.windowStart >= 0.5) {
        g_panel.fps = g_panel.windowFrames / (wall - g_panel.windowStart);
        g_panel.windowStart = wall;
        g_panel.windowFrames = 0;
    }
    g_panel.lastWall = wall;

    // GPU: end this frame's query, read those whose results are there, and
    // start the next unless its slot is still waiting (then skip a frame).
    if (g_panel.active >= 0) {
        glEndQuery(GL_TIME_ELAPSED);
        g_panel.pending[g_panel.active] = true;
    }
    for (int i = 0; i < kQueries; ++i) {
        if (!g_panel.pending[i]) continue;
        GLint available = 0;
        glGetQueryObjectiv(g_panel.queries[i], GL_QUERY_RESULT_AVAILABLE, &available);
        if (available == 0) continue;
        GLuint64 ns = 0;
        glGetQueryObjectui64v(g_panel.queries[i], GL_QUERY_RESULT, &ns);
        g_panel.gpuMs = static_cast<double>(ns) * 1e-6;
        g_panel.pending[i] = false;
    }
    const int next = (g_panel.active + 1 + kQueries) % kQueries;
    g_panel.active = g_panel.pending[next] ? -1 : next;
}

void StartQuery() {
    if (g_panel.active >= 0) glBeginQuery(GL_TIME_ELAPSED, g_panel.queries[g_panel.active]);
}

void KnobRow(size_t index, Knob& k) {
    ImGui::PushID(static_cast<int>(index));
    float v[4] = {k.value[0], k.value[1], k.value[2], k.value[3]};
    bool changed = false;
    const char* label = k.label.c_str();
    if (k.widget == KNOB_CHECKBOX) {
        bool on = v[0] != 0;
        changed = ImGui::Checkbox(label, &on);
        v[0] = on ? 1.0f : 0.0f;
    } else if (k.widget == KNOB_COLOR) {
        const ImGuiColorEditFlags flags = ImGuiColorEditFlags_Float;
        changed = k.components == 3 ? ImGui::ColorEdit3(label, v, flags) : ImGui::ColorEdit4(label, v, flags);
    } else if (k.type == D3DXPT_INT) {
        int i = static_cast<int>(v[0]);
        const int low = static_cast<int>(k.softMin), high = static_cast<int>(k.softMax);
        changed = k.widget == KNOB_SLIDER
                      ? ImGui::SliderInt(label, &i, low, high)
                      : ImGui::DragInt(label, &i, 0.2f, k.hasMin ? static_cast<int>(k.min) : 0,
                                       k.hasMax ? static_cast<int>(k.max) : 0);
        v[0] = static_cast<float>(i);
    } else if (k.widget == KNOB_SLIDER) {
        changed = ImGui::SliderScalarN(label, ImGuiDataType_Float, v, k.components, &k.softMin,
                                       &k.softMax, "%.3f");
    } else {
        const float low = k.hasMin ? k.min : -FLT_MAX, high = k.hasMax ? k.max : FLT_MAX;
        const float speed = k.step > 0 ? k.step : 0.01f;
        changed = ImGui::DragScalarN(label, ImGuiDataType_Float, v, k.components, speed, &low,
                                     &high, "%.3f");
    }
    if (!k.tooltip.empty() && ImGui::IsItemHovered()) ImGui::SetTooltip("%s", k.tooltip.c_str());
    if (changed) SetKnobValue(index, v);
    ImGui::SameLine();
    if (ImGui::SmallButton("reset")) ResetKnob(index);
    ImGui::PopID();
}

// The knobs of one group (empty: those without a group), in declaration order.
void GroupRows(std::vector<Knob>& knobs, const std::string& group) {
    for (size_t i = 0; i < knobs.size(); ++i) {
        if (!knobs[i].hidden && knobs[i].group == group) KnobRow(i, knobs[i]);
    }
}

void BuildPanel() {
    ImGui::SetNextWindowPos(ImVec2(8, 8), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowBgAlpha(0.85f);
    ImGui::Begin("Knobs (F1)", nullptr, ImGuiWindowFlags_AlwaysAutoResize);
    ImGui::PushItemWidth(170);
    std::vector<Knob>& knobs = GetKnobs();
    if (knobs.empty()) ImGui::TextDisabled("This effect has no knobs.");

    // Ungrouped knobs first, then each group where it first appears.
    GroupRows(knobs, std::string());
    for (size_t i = 0; i < knobs.size(); ++i) {
        const std::string& group = knobs[i].group;
        if (group.empty() || knobs[i].hidden) continue;
        bool first = true;
        for (size_t j = 0; j < i; ++j) first = first && (knobs[j].hidden || knobs[j].group != group);
        if (!first) continue;
        if (ImGui::CollapsingHeader(group.c_str(), ImGuiTreeNodeFlags_DefaultOpen)) GroupRows(knobs, group);
    }

    if (ImGui::Button("Save (Ctrl+S)")) SaveKnobs();
    ImGui::SameLine();
    if (ImGui::Button("Reset all")) ResetAllKnobs();

    // >> extra rows: the program's own options (AddPanelCheckbox)
    for (const ExtraRow& row : g_panel.extraRows) ImGui::Checkbox(row.label, row.value);

    // >> figures
    ImGui::Separator();
    ImGui::Text("%.0f fps  cpu %.2f ms  gpu %.2f ms  load %.1f ms  %d particles", g_panel.fps,
                g_panel.cpuMs, g_panel.gpuMs, fx::GetLastLoadMilliseconds(), g_panel.particles);
    ImGui::PopItemWidth();
    ImGui::End();
}

void DrawPanel(void*, int, int) {
    if (!g_panel.shown) {
        platform::SetKeysCaptured(false);
        // No query runs while hidden; the one running ends here.
        if (g_panel.active >= 0) {
            glEndQuery(GL_TIME_ELAPSED);
            g_panel.pending[g_panel.active] = true;
            g_panel.active = -1;
        }
        g_panel.lastCpu = 0;
        if (g_panel.textInput) SDL_StopTextInput();
        g_panel.textInput = false;
        return;
    }
    MeasureFrame();
    StartKeyFrame();
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    BuildPanel();
    ImGui::Render();
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());

    // Text fields take characters only while one is active; otherwise the
    // input method stays off, as the window layer keeps it.
    const ImGuiIO& io = ImGui::GetIO();
    if (io.WantTextInput != g_panel.textInput) {
        g_panel.textInput = io.WantTextInput;
        if (g_panel.textInput) {
            SDL_StartTextInput();
        } else {
            SDL_StopTextInput();
        }
    }
    platform::SetKeysCaptured(io.WantCaptureKeyboard);
    StartQuery();
}

}  // namespace

bool StartPanel(HWND window, IDirect3DDevice9* device, int particleCount, bool shown) {
    SDL_Window* sdl = platform::GetSdlWindow(window);
    if (sdl == nullptr || device == nullptr || g_panel.started) return false;
    // Only over the GL device (a test's recording device has no window to draw in).
    if (platform::SetPresentOverlay(device, nullptr, nullptr) != S_OK) return false;
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    ImGui::StyleColorsDark();
    // Compact: the window is 640 x 480.
    ImGui::GetStyle().FramePadding = ImVec2(4, 2);
    ImGui::GetStyle().ItemSpacing = ImVec2(6, 3);
    if (!ImGui_ImplSDL2_InitForOpenGL(sdl, SDL_GL_GetCurrentContext()) ||
        !ImGui_ImplOpenGL3_Init("#version 330 core")) {
        fprintf(stderr, "[panel] the knobs panel cannot start on this display\n");
        ImGui::DestroyContext();
        return false;
    }
    glGenQueries(kQueries, g_panel.queries);
    g_panel.started = true;
    g_panel.shown = shown;
    g_panel.device = device;
    g_panel.window = sdl;
    g_panel.context = SDL_GL_GetCurrentContext();
    g_panel.particles = particleCount;
    platform::SetEventHook(TakeEvent);
    platform::SetPresentOverlay(device, DrawPanel, nullptr);
    return true;
}

void StopPanel() {
    if (!g_panel.started) {
        g_panel.extraRows.clear();
        return;
    }
    platform::SetPresentOverlay(g_panel.device, nullptr, nullptr);
    platform::SetEventHook(nullptr);
    platform::SetKeysCaptured(false);
    // Its GL objects live in the device's context, which another may have
    // replaced as the current one.
    SDL_GL_MakeCurrent(g_panel.window, g_panel.context);
    if (g_panel.active >= 0) glEndQuery(GL_TIME_ELAPSED);
    glDeleteQueries(kQueries, g_panel.queries);
    if (g_panel.textInput) SDL_StopTextInput();
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext();
    g_panel = Panel();
}

bool PanelShown() { return g_panel.shown; }

void ShowPanel(bool shown) { g_panel.shown = shown && g_panel.started; }

void AddPanelCheckbox(const char* label, bool* value) {
    g_panel.extraRows.push_back({label, value});
}
