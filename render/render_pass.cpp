// The render pass: clear, one additive draw of every particle through pass 0
// of the effect, present. The shader time advances only when the pass ran.
// While the last load failed, its error text is drawn over the frame.
#include "render/render_pass.h"

#include "render/camera.h"
#include "render/scene.h"
#include "render/vertex_stream.h"

namespace {

constexpr DWORD kClearAll = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;

}  // namespace

bool (*g_beforePresent)() = nullptr;

void RenderParticles() {
    if (g_device == nullptr) return;

    // Destination blend one over the default source blend one: colour adds up.
    g_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    g_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    g_device->Clear(0, nullptr, kClearAll, kClearColor, 1.0f, 0);

    if (g_device->BeginScene() == 0) {
        if (g_effect != nullptr && g_effect->Begin(nullptr, 0) == 0) {
            if (g_effect->BeginPass(0) == 0) {
                // Both shaders see the block as it was when the camera was
                // placed; the next frame's camera sees the advanced time.
                g_device->SetVertexShaderConstantF(0, &g_constants.c[0][0], kUploadedRegisters);
                g_device->SetPixelShaderConstantF(0, &g_constants.c[0][0], kUploadedRegisters);
                // The effect's knobs, in whatever registers each stage gave
                // them (also among c0-c63); nothing when none was set.
                g_effect->CommitChanges();
                g_constants.c[0][0] += kTimeStep;

                g_device->SetStreamSource(0, g_vertexBuffer, 0, sizeof(ParticleVertex));
                g_device->SetFVF(kParticleFvf);
                g_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, kTriangleCount);
                g_effect->EndPass();
            }
            g_effect->End();
        }
        // While the last load failed, its error text over the frame.
        if (g_errorFont != nullptr) {
            RECT area = kErrorTextArea;
            int length = static_cast<int>(g_sceneError.size());
            g_errorFont->DrawTextA(nullptr, g_sceneError.c_str(), length, &area,
                                   DT_LEFT | DT_TOP | DT_WORDBREAK, kErrorTextColor);
        }
        g_device->EndScene();
    }

    if (g_beforePresent != nullptr && !g_beforePresent()) return;
    g_device->Present(nullptr, nullptr, nullptr, nullptr);
}
