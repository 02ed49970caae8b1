// RunFrame: the one function the main loop calls per pass.
#include "app/frame.h"

#include "app/background_reload.h"

#include "platform/crt/crt.h"
#include "platform/watch/watch.h"
#include "platform/window/window.h"
#include "render/camera.h"
#include "render/render_pass.h"
#include "render/scene.h"
#include "render/vertex_stream.h"
#include "sim/particles.h"

#include <cstdio>

int g_frameCounter = 0;
bool g_drawFrame = true;

bool TakeReloadKeys() {
    // F5 rebuilds the scene; F4 rebuilds it and starts the particles
    // afresh. A saved change to the effect under --watch reloads it in the
    // background, and the finished scene takes over here, at a frame's start.
    bool reload = GetAsyncKeyState(VK_F5) != 0;
    bool reseed = GetAsyncKeyState(VK_F4) != 0;
    if (reload || reseed) {
        DropBackgroundReload();
    } else {
        TakeOverFinishedReload();
        StartReloadOnChange();
    }
    if (reload) {
        InitScene();
    }
    if (reseed) {
        InitScene();
        g_particlesReady = 0;
        g_frameCounter = 0;
    }
    return reseed;
}

void RunFrame() {
    // Count the frame; past 9000 the counter wraps to 0 and the particles reseed.
    ++g_frameCounter;
    if (g_frameCounter > kCounterLimit) {
        g_particlesReady = 0;
        g_frameCounter = 0;
    }

    bool reseed = TakeReloadKeys();

    // Seed when asked to.
    if (reseed || g_particlesReady == 0) {
        SeedParticles();
    }

    // Flip the flow mode on its period.
    if (g_frameCounter % kModePeriod == 0) {
        g_flowMode = 1 - g_flowMode;
    }

    printf("counter = %d\n", g_frameCounter);

    StepParticles();

    // A new camera target on its period.
    if (g_frameCounter % kTargetPeriod == 0) {
        g_cameraTarget = &g_particles[crt::rand() % kParticleCount];
    }

    UpdateCamera();
    // A frame run but not drawn (faster than x1): the shader time goes on
    // as the render pass would have moved it.
    if (!g_drawFrame) {
        if (g_effect != nullptr) g_constants.c[0][0] += kTimeStep;
        return;
    }
    if (g_vertexBuffer != nullptr) {
        FillParticleVertices();
    }
    RenderParticles();
}
