// The scene resources on the device: the particle vertex buffer and the
// compiled effect, built by InitScene and freed by ReleaseScene.
#pragma once

#include "platform/fx/fx.h"
#include "platform/gfx/gfx.h"

#include <string>

// The device the scene draws with; created and released by main.
extern IDirect3DDevice9* g_device;

extern IDirect3DVertexBuffer9* g_vertexBuffer;  // empty until InitScene succeeds
extern ID3DXEffect* g_effect;                   // never present without the buffer

// While the last InitScene failed: what it printed after "InitScene : Error  "
// and the font the render pass draws it with. Empty after a success.
extern std::string g_sceneError;
extern ID3DXFont* g_errorFont;

// The effect file: "main.fx" in the working directory unless the command
// line names another (a path from the working directory).
extern const char* g_effectFileName;

// --keep-last-good: while set, a load that fails keeps drawing with the
// effect that loaded last (the error text over it) instead of none.
extern bool g_keepLastGood;
void SetKeepLastGood(bool keep);

// The macros the command line defines for the effect (-D NAME=VALUE), an
// array ended by a null Name; nullptr: none.
extern const D3DXMACRO* g_effectDefines;

// Releases both resources and builds them afresh; prints "Load Shader." or
// "InitScene : Error  ..." and never stops the program.
void InitScene();

// The same with an effect loaded elsewhere (in the background): the old
// scene goes, and loaded, effect and errors are taken as InitScene takes
// what D3DXCreateEffectFromFileA gives (it owns them from here).
void TakeOverScene(HRESULT loaded, ID3DXEffect* effect, ID3DXBuffer* errors);

// Releases the vertex buffer, then the effect, then the error text's font.
void ReleaseScene();
