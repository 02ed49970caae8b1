// Temporary: empty slots until the render module lands. Delete this file when
// scene.cpp, camera.cpp, vertex_stream.cpp and render_pass.cpp exist.
#include "render/camera.h"
#include "render/render_pass.h"
#include "render/scene.h"
#include "render/vertex_stream.h"

IDirect3DDevice9* g_device = nullptr;
IDirect3DVertexBuffer9* g_vertexBuffer = nullptr;
ID3DXEffect* g_effect = nullptr;
ShaderConstants g_constants = {};
Particle* g_cameraTarget = &g_particles[0];

void InitScene() {}
void ReleaseScene() {}
void UpdateCamera() {}
void FillParticleVertices() {}
void RenderParticles() {}
