// The render pass: clear, draw the particles additively through pass 0 of
// the effect, draw the error text of a failed load, present. The shader time
// in c0.x advances here.
#pragma once

#include "platform/types.h"

constexpr float kTimeStep = 0.016666f;
constexpr unsigned kClearColor = 0x00000022;  // dark blue

// While the last load failed its error text is drawn over the frame, top
// left inside the 640 x 480 back buffer, in amber: no blue, so it can never
// be mistaken for particles, which only add light to the blue clear colour.
constexpr unsigned kErrorTextColor = 0xFFFFC000;
constexpr RECT kErrorTextArea = {4, 4, 636, 476};

// Called with the frame drawn, before it is presented: the program reads it
// back for a recording and draws its tags over it here. Returning false
// skips the Present (a frame drawn only to be recorded). nullptr: none.
extern bool (*g_beforePresent)();

void RenderParticles();
