// A load beside the frames: stages 1 to 6 (reading, preprocessing, parsing,
// the compiler child) on a thread of its own, the link and the images on
// the device's thread when the frame takes the result (watch.h). The
// thread is started per load and joined when the load is taken or dropped;
// a frame only reads an atomic flag.
#include "platform/fx/effect_info.h"
#include "platform/watch/watch.h"

#include <atomic>
#include <thread>

namespace {

fx::EffectLoad* g_load = nullptr;
std::thread g_thread;
std::atomic<bool> g_compiled{false};

void JoinLoad() {
    if (g_thread.joinable()) g_thread.join();
}

}  // namespace

HRESULT BeginBackgroundLoad(IDirect3DDevice9* device, const char* fileName,
                            const D3DXMACRO* defines) {
    if (g_load != nullptr) return E_FAIL;
    g_load = fx::StartEffectLoad(device, fileName, defines);
    if (g_load == nullptr) return E_INVALIDARG;
    g_compiled = false;
    try {
        g_thread = std::thread([load = g_load] {
            fx::PrepareEffectLoad(load);
            g_compiled = true;
        });
    } catch (...) {
        fx::DeleteEffectLoad(g_load);
        g_load = nullptr;
        return E_FAIL;
    }
    return S_OK;
}

BOOL BackgroundLoadPending() { return g_load != nullptr ? TRUE : FALSE; }

BOOL BackgroundLoadReady() { return g_load != nullptr && g_compiled ? TRUE : FALSE; }

HRESULT TakeBackgroundLoad(ID3DXEffect** effect, ID3DXBuffer** errors) {
    if (g_load == nullptr) return E_FAIL;
    JoinLoad();
    HRESULT hr = fx::FinishEffectLoad(g_load, effect, errors);
    fx::DeleteEffectLoad(g_load);
    g_load = nullptr;
    return hr;
}

void DropBackgroundLoad() {
    if (g_load == nullptr) return;
    JoinLoad();
    fx::DeleteEffectLoad(g_load);
    g_load = nullptr;
}
