// The per-frame sequence: frame counter, its schedule, the function keys.
#pragma once

constexpr int kCounterLimit = 9000;  // past this the counter wraps to 0 and the particles reseed
constexpr int kModePeriod = 700;     // the flow mode flips at multiples of this
constexpr int kTargetPeriod = 360;   // a new camera target at multiples of this

extern int g_frameCounter;

// False while RunFrame runs a frame of the schedule that is not drawn (at
// speeds above 1 only the last of a presented frame's is); true otherwise.
extern bool g_drawFrame;

// The function keys' step of the frame: F5 (or a saved change under
// --watch) rebuilds the scene; F4 rebuilds it, puts the counter to 0 and
// marks the particles for seeding. True after F4.
bool TakeReloadKeys();

// One frame: schedule, keys, console line, simulation, camera, vertices, draw.
void RunFrame();
