// The program's frame in raw OpenGL 4.5, the baseline for the full frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ParticleVertex;
struct SDL_Window;

class RawGlFrame {
public:
    RawGlFrame() = default;
    ~RawGlFrame();
    RawGlFrame(const RawGlFrame&) = delete;
    RawGlFrame& operator=(const RawGlFrame&) = delete;

    // Window (SDL's offscreen driver), context, back buffer, vertex buffer and
    // the main.fx shaders; false with the reason.
    bool Start(std::string* error);
    // One frame: the program's simulation, camera and vertices, then upload,
    // clear, draw, blit and swap.
    void Run();
    // Makes this program's context current (for running next to another).
    void MakeCurrent();
    // The back buffer as words 0xAARRGGBB, top row first.
    void ReadPixels(std::vector<uint32_t>* argbTopDown);
    // Releases everything Start made (also on a failed Start).
    void Stop();

private:
    SDL_Window* window_ = nullptr;
    void* context_ = nullptr;
    bool videoStarted_ = false;
    unsigned renderbuffers_[2] = {};
    unsigned framebuffer_ = 0;
    unsigned buffer_ = 0;
    unsigned vertexArray_ = 0;
    unsigned program_ = 0;
    int vsConstants_ = -1;
    int psConstants_ = -1;
    ParticleVertex* vertices_ = nullptr;
};
