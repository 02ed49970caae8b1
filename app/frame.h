// The per-frame sequence: frame counter, its schedule, the function keys.
#pragma once

constexpr int kCounterLimit = 9000;  // past this the counter wraps to 0 and the particles reseed
constexpr int kModePeriod = 700;     // the flow mode flips at multiples of this
constexpr int kTargetPeriod = 360;   // a new camera target at multiples of this

extern int g_frameCounter;

// One frame: schedule, keys, console line, simulation, camera, vertices, draw.
void RunFrame();
