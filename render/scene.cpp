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
const D3DXMACRO* g_effectDefines = nullptr;
std::string g_sceneError;
ID3DXFont* g_errorFont = nullptr;
bool g_keepLastGood = false;

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

// Takes the current effect out of the scene when a failed load is to keep
// it: the caller hands it to FinishScene or lets it go.
ID3DXEffect* TakeLastGood() {
    ID3DXEffect* lastGood = nullptr;
    if (g_keepLastGood) {
        lastGood = g_effect;
        g_effect = nullptr;
    }
    return lastGood;
}

// Puts back the effect kept through a failed load, or lets it go.
void RestoreLastGood(ID3DXEffect* lastGood, bool restore) {
    if (lastGood == nullptr) return;
    if (restore) {
        g_effect = lastGood;
    } else {
        lastGood->Release();
    }
}

// The vertex buffer, or the error said; then the effect's result said and
// the scene's fixed states set (a failed load puts the kept effect back).
bool CreateSceneBuffer();
void FinishScene(HRESULT loaded, ID3DXBuffer* errors, ID3DXEffect* lastGood);

}  // namespace

void SetKeepLastGood(bool keep) { g_keepLastGood = keep; }

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
    // A failed reload leaves no effect, unless the last good one is kept:
    // then it stays until another loads.
    ID3DXEffect* lastGood = TakeLastGood();
    ReleaseScene();
    // No effect without the device or the buffer, not even the kept one.
    if (g_device == nullptr || !CreateSceneBuffer()) {
        RestoreLastGood(lastGood, false);
        return;
    }

    ID3DXBuffer* errors = nullptr;
    HRESULT loaded = D3DXCreateEffectFromFileA(g_device, g_effectFileName, g_effectDefines,
                                               nullptr, 0, nullptr, &g_effect, &errors);
    FinishScene(loaded, errors, lastGood);
}

void TakeOverScene(HRESULT loaded, ID3DXEffect* effect, ID3DXBuffer* errors) {
    ID3DXEffect* lastGood = TakeLastGood();
    ReleaseScene();
    if (g_device == nullptr || !CreateSceneBuffer()) {
        RestoreLastGood(lastGood, false);
        if (effect != nullptr) effect->Release();
        if (errors != nullptr) errors->Release();
        return;
    }
    g_effect = effect;
    FinishScene(loaded, errors, lastGood);
}

namespace {

bool CreateSceneBuffer() {
    if (g_device->CreateVertexBuffer(kVertexBufferBytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                     kParticleFvf, D3DPOOL_DEFAULT, &g_vertexBuffer,
                                     nullptr) != 0) {
        g_vertexBuffer = nullptr;
        ReportError("Failed Create Vertex Buffer");
        return false;
    }
    return true;
}

void FinishScene(HRESULT loaded, ID3DXBuffer* errors, ID3DXEffect* lastGood) {
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
        RestoreLastGood(lastGood, true);
        // The kept effect keeps its knobs on the panel.
        if (g_effect != nullptr) SetKnobsEffect(g_effect, g_effectFileName);
        return;
    }
    RestoreLastGood(lastGood, false);
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

}  // namespace
