// The knobs panel: F1 shows and hides it over the frame (Dear ImGui over
// SDL2 + OpenGL 3), a row per knob of the effect (platform/knobs), grouped,
// with reset buttons, Save (also Ctrl+S, whether the panel shows or not),
// and a line of figures at its foot: frames per second, the frame's CPU
// time, its GPU time, the last load's time and the particle count.
//
// Keys typed into the panel (a text field, a slider held) never reach the
// program: not as messages, not in the key state, not as F4 / F5 read from
// the whole display. F1 and Ctrl+S are the panel's own and never reach it
// either.
#pragma once

#include "platform/gfx/gfx.h"

// Starts the panel on the device's window, shown or hidden. False (said on
// standard error) when it cannot; the program runs on without it.
bool StartPanel(HWND window, IDirect3DDevice9* device, int particleCount, bool shown);

// Takes the panel off the device and the window and frees it; before the
// device is released.
void StopPanel();

bool PanelShown();
// What F1 does, for tools and benchmarks.
void ShowPanel(bool shown);

// An extra row of the panel's own: a checkbox that writes *value (held by
// the caller for as long as the panel runs). Rows show below the knobs, in
// the order added; StopPanel takes them away.
void AddPanelCheckbox(const char* label, bool* value);
