// The scene resources: the particle vertex buffer and the compiled effect.
// InitScene throws both away and builds them afresh, which is how an edited
// main.fx is picked up on F5 / F4 while the program runs.
#include "render/scene.h"

#include "platform/knobs/knobs.h"
#include "render/vertex_stream.h"

#include <cstdio>
#include <string>

IDirect3DDevice9* g_device = nullptr;
IDirect3DVertexBuffer9* g_vertexBuffer = nullptr;
ID3DXEffect* g_effect = nullptr;
const char* g_effectFileName = "main.fx";
std::string g_sceneError;
ID3DXFont* g_errorFont = nullptr;

namespace {

// The error text's font: the built-in one at its own size.
constexpr int kErrorFontHeight = 12;

// Said when the loader gives no compiler text.
constexpr const char* kNoEffectText = ": the effect could not be loaded\n";

// Prints the reason, and keeps it to be drawn over the frame until a load
// succeeds.
void ReportError(const char* reason) {
    printf("%s : Error  %s\n", "InitScene", reason);
    fflush(stdout);
    g_sceneError = reason;
    if (g_errorFont == nullptr) {
        D3DXCreateFontA(g_device, kErrorFontHeight, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "",
                        &g_errorFont);
    }
}

}  // namespace

void ReleaseScene() {
    SetKnobsEffect(nullptr, nullptr);  // the knobs keep their values for the next load
    if (g_vertexBuffer != nullptr) g_vertexBuffer->Release();
    g_vertexBuffer = nullptr;
    if (g_effect != nullptr) g_effect->Release();
    g_effect = nullptr;
    if (g_errorFont != nullptr) g_errorFont->Release();
    g_errorFont = nullptr;
    g_sceneError.clear();
}

void InitScene() {
    // A failed reload leaves no effect: nothing falls back to the old one.
    ReleaseScene();
    if (g_device == nullptr) return;

    if (g_device->CreateVertexBuffer(kVertexBufferBytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                     kParticleFvf, D3DPOOL_DEFAULT, &g_vertexBuffer,
                                     nullptr) != 0) {
        g_vertexBuffer = nullptr;
        ReportError("Failed Create Vertex Buffer");
        return;
    }

    ID3DXBuffer* errors = nullptr;
    HRESULT loaded = D3DXCreateEffectFromFileA(g_device, g_effectFileName, nullptr, nullptr, 0,
                                               nullptr, &g_effect, &errors);
    if (loaded != 0) {
        // The compiler's text as it comes, line ends included.
        const char* text = nullptr;
        if (errors != nullptr) text = static_cast<const char*>(errors->GetBufferPointer());
        std::string noText;
        if (text == nullptr) {
            noText = std::string(g_effectFileName) + kNoEffectText;
            text = noText.c_str();
        }
        ReportError(text);
        if (errors != nullptr) errors->Release();
        // A loader that failed yet handed out an effect still gave us a reference.
        if (g_effect != nullptr) g_effect->Release();
        g_effect = nullptr;
        return;
    }
    if (errors != nullptr) errors->Release();  // warnings only; nobody reads them

    printf("Load Shader.\n");
    fflush(stdout);
    // The knobs' values (kept, from EFFECT.fx.knobs, or defaults) onto the
    // new effect.
    SetKnobsEffect(g_effect, g_effectFileName);

    g_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    g_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    g_device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    g_device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    g_device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    g_device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    g_device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
}
