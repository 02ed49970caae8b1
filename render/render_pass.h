// The render pass: clear, draw the particles additively through pass 0 of
// the effect, present. The shader time in c0.x advances here.
#pragma once

constexpr float kTimeStep = 0.016666f;
constexpr unsigned kClearColor = 0x00000022;  // dark blue

void RenderParticles();
