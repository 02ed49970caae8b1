// The orbiting camera and the shader constant block it fills.
#pragma once

#include "sim/particles.h"

// Registers of four floats; registers 0 to 63 go to both shaders.
//   c0.x  time          c1  side axis (screen left), w = 1
//   c2    up axis, w=1  c4-c7  view x projection, one row per register
struct ShaderConstants {
    float c[256][4];
};

constexpr int kUploadedRegisters = 64;

extern ShaderConstants g_constants;

// The particle the camera orbits; the frame sequence re-picks it.
extern Particle* g_cameraTarget;

// Places the camera around the target and writes c1, c2 and c4-c7.
void UpdateCamera();
