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

// --watch: the scene is also rebuilt when the effect or a file it includes
// is saved.
extern bool g_watchEffect;

// --panel: the knobs panel shows from the start (F1 shows and hides it).
extern bool g_showPanel;

// Reads "flowfield [--watch] [--keep-last-good] [--panel] [-D NAME[=VALUE]]...
// [EFFECT.fx]" into g_watchEffect, g_keepLastGood, g_showPanel,
// g_effectFileName and g_effectDefines (render/scene.h). Returns -1 when the
// program should run,
// otherwise the exit code to end with: 0 after --help (the usage on standard
// output), 2 after an unknown option or a second path (the usage on
// standard error).
int ReadArguments(int argc, char** argv);

// "-D NAME[=VALUE]" or "-DNAME[=VALUE]" at argv[*i], as a C compiler takes
// it (VALUE 1 when not given): adds the macro to g_effectDefines
// (render/scene.h) and moves *i past what it read. 1 when taken, 0 when
// argv[*i] is no -D, -1 (with the reason on standard error, after tool)
// when NAME is missing or not an identifier.
int ReadDefineOption(const char* tool, int argc, char** argv, int* i);

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
