// The background reload of --watch (background_reload.h), over the watch's
// background load: per frame, one flag read; per reload, one thread.
#include "app/background_reload.h"

#include "platform/watch/watch.h"
#include "render/scene.h"

void TakeOverFinishedReload() {
    if (BackgroundLoadReady() == FALSE) return;
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT loaded = TakeBackgroundLoad(&effect, &errors);
    TakeOverScene(loaded, effect, errors);
}

void StartReloadOnChange() {
    if (BackgroundLoadPending() != FALSE || EffectFilesChanged() == FALSE) return;
    // A load that cannot start in the background is made here, as F5 would.
    if (BeginBackgroundLoad(g_device, g_effectFileName, g_effectDefines) != 0) InitScene();
}

void DropBackgroundReload() { DropBackgroundLoad(); }
