// The program's entry: window class, window, device, main loop and shutdown,
// and the window procedure.
#pragma once

#include "platform/gfx/gfx.h"
#include "platform/window/window.h"

extern WNDCLASSEXA g_windowClass;              // completed before main runs
extern D3DPRESENT_PARAMETERS g_presentParams;  // compiled in; Windowed is the display switch
extern HWND g_window;
extern IDirect3D9* g_d3d;

LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Everything main does; returns the exit code: 0 after a normal run, 1 when
// the class, the window, the graphics system or the device cannot be made.
int RunProgram();

// The outside steps RunProgram takes, so that tests can stand in for the
// graphics system and count frames. Defaults are the real functions.
struct ProgramSteps {
    IDirect3D9* (*createDirect3D)(UINT sdkVersion);
    void (*initScene)();
    void (*runFrame)();
    void (*releaseScene)();
};
extern ProgramSteps g_programSteps;
