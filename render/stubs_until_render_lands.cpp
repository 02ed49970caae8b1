// Temporary: empty scene slots until the effect loader lands (scene.cpp needs
// D3DXCreateEffectFromFileA). Delete this file when scene.cpp exists.
#include "render/scene.h"

IDirect3DDevice9* g_device = nullptr;
IDirect3DVertexBuffer9* g_vertexBuffer = nullptr;
ID3DXEffect* g_effect = nullptr;

void InitScene() {}
void ReleaseScene() {}
