// The GL device's classes (platform/gfx internal), shared by the files that
// implement them: gl_device.cpp (creation, the back buffer, scenes and
// drawing), gl_device_state.cpp (render and sampler states),
// gl_device_programs.cpp (shader programs, constants, the link thread),
// gl_device_textures.cpp (texture stages) and gl_device_targets.cpp (read
// back, the float target). See gl_device.cpp for what is implemented.
#pragma once

#include "platform/gfx/gfx.h"
#include "platform/gfx/device_textures.h"
#include "platform/gfx/gl_device.h"
#include "platform/gfx/gl_texture.h"
#include "platform/gfx/shader_programs.h"
#include "platform/shader_conventions.h"
#include "platform/window/window.h"
#include "platform/window/window_sdl.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace gldevice {


constexpr DWORD kSupportedFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE4_0;
constexpr UINT kSupportedStride = 32;
constexpr size_t kRenderStateCount = 256;
constexpr size_t kSamplerStateCount = 14;

class GlDevice;

// >> vertex buffer

class GlVertexBuffer final : public IDirect3DVertexBuffer9 {
public:
    GlVertexBuffer(GlDevice* device, GLuint name, UINT length)
        : device_(device), name_(name), staging_((length + kLine - 1) / kLine),
          length_(length) {}

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;

    GLuint name() const { return name_; }
    UINT length() const { return length_; }
    bool locked() const { return locked_; }

    // The device is going away and has deleted the GL buffer: from now on the
    // object only waits for its owner's Release.
    void Orphan() {
        device_ = nullptr;
        name_ = 0;
    }

private:
    ~GlVertexBuffer() override = default;

    // What the program writes, uploaded at Unlock. On 64-byte boundaries, as
    // a driver's mapped buffer would be: the vertex stream's 32-byte stores
    // then never straddle a cache line.
    static constexpr size_t kLine = 64;
    struct alignas(kLine) Line {
        uint8_t bytes[kLine];
    };
    uint8_t* staging() { return reinterpret_cast<uint8_t*>(staging_.data()); }

    GlDevice* device_;
    GLuint name_;
    std::vector<Line> staging_;
    UINT length_;
    UINT lockOffset_ = 0;
    UINT lockSize_ = 0;
    bool locked_ = false;
    bool discard_ = false;
    ULONG refs_ = 1;
};

// >> shader programs

struct ShaderProgram {
    GLuint id = 0;
    GLint vsLocation = -1;  // "vs_c" and the registers the program declares
    GLint vsCount = 0;
    GLint psLocation = -1;
    GLint psCount = 0;
    GLint targetLocation = -1;  // "fx_target"
    GLint outputLocation = -1;  // "fx_output"
    uint64_t vsVersion = 0;  // which contents of the blocks it holds already
    uint64_t psVersion = 0;
    uint64_t targetVersion = 0;
    uint64_t outputVersion = 0;
};

// >> link thread
//
// llvmpipe (Mesa 22.3) advertises GL_KHR_parallel_shader_compile, yet
// compiles and links inside glCompileShader / glLinkProgram: a vertex shader
// of 16,000 instruction slots spends 12 s in glLinkProgram and reports
// GL_COMPLETION_STATUS_KHR true as soon as the call returns (under Xvfb and
// SDL's offscreen driver alike; with mesa_glthread the first status query
// waits instead). Polling cannot keep a deadline there. So a program that
// must be made within a deadline is compiled and linked on a thread with a
// context of its own, sharing objects with the device's, while the device's
// thread waits on the clock. A link past the deadline is left to finish on
// that thread, which then deletes its program.
//
// What stays on the drawing thread: llvmpipe turns a program into machine
// code at its first draw, per context (about 0.6 times the link's time);
// the effect compiler's size bound keeps that short. Exiting while the
// thread is still in the driver is safe as long as nothing tears the
// display down first (the program never calls SDL_Quit).

inline std::atomic<int> g_linkDelayMs{0};

GLuint CompileAndLink(const std::string& vertexGlsl, const std::string& pixelGlsl,
                      std::string* log);

class LinkThread {
public:
    enum class Outcome { Done, TimedOut, Busy };

    bool Started() const { return thread_ != nullptr; }

    // Makes the thread's context (on a hidden 1 x 1 window, which EGL needs
    // to make a context current) while the device's context is current, and
    // starts the thread. False with the reason.
    bool Start(SDL_Window* window, SDL_GLContext context, std::string* error) {
        auto shared = std::make_shared<Shared>();
        shared->window = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (shared->window != nullptr) {
            SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
            shared->context = SDL_GL_CreateContext(shared->window);
            SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
        }
        SDL_GL_MakeCurrent(window, context);
        if (shared->context == nullptr) {
            *error = SDL_GetError();
            if (shared->window != nullptr) SDL_DestroyWindow(shared->window);
            return false;
        }
        // An SDL thread: SDL keeps per-thread state for the current context
        // and frees it only for threads it started.
        thread_ = SDL_CreateThread(Run, "gl-link", new std::shared_ptr<Shared>(shared));
        if (thread_ == nullptr) {
            *error = SDL_GetError();
            SDL_GL_DeleteContext(shared->context);
            SDL_DestroyWindow(shared->window);
            return false;
        }
        shared_ = shared;
        return true;
    }

    // Compiles and links on the thread; Done with the program (0 on failure,
    // the driver's log in *log), TimedOut when the deadline passed first
    // (the link is abandoned), Busy when an abandoned link still holds the
    // thread at the deadline.
    Outcome Link(const std::string& vertexGlsl, const std::string& pixelGlsl, int timeLimitMs,
                 GLuint* program, std::string* log) {
        Shared& s = *shared_;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeLimitMs);
        std::unique_lock<std::mutex> lock(s.mutex);
        if (!s.changed.wait_until(lock, deadline, [&] { return s.state == State::Idle; })) {
            return Outcome::Busy;
        }
        s.vertex = vertexGlsl;
        s.pixel = pixelGlsl;
        s.state = State::Queued;
        s.changed.notify_all();
        if (!s.changed.wait_until(lock, deadline, [&] { return s.state == State::Done; })) {
            if (s.state == State::Queued) {
                s.state = State::Idle;  // never started
            } else {
                s.abandoned = true;
            }
            return Outcome::TimedOut;
        }
        *program = s.program;
        *log = std::move(s.log);
        s.program = 0;
        s.state = State::Idle;
        return Outcome::Done;
    }

    // Ends the thread once it is idle, waiting up to waitMs for an abandoned
    // link; one still in the driver then is left to finish alone, keeping its
    // context and window until the process ends. The context goes in
    // ReleaseContext, after the device's own: Mesa 22.3 leaks a program's
    // state when a context it shares with goes first.
    void Stop(int waitMs) {
        if (!Started()) return;
        Shared& s = *shared_;
        bool idle = false;
        {
            std::unique_lock<std::mutex> lock(s.mutex);
            s.stopping = true;
            s.changed.notify_all();
            idle = s.changed.wait_for(lock, std::chrono::milliseconds(waitMs),
                                      [&] { return s.state == State::Idle; });
        }
        if (!idle) {
            SDL_DetachThread(thread_);
            thread_ = nullptr;
            shared_.reset();
            return;
        }
        SDL_WaitThread(thread_, nullptr);
        thread_ = nullptr;
    }

    void ReleaseContext() {
        if (shared_ == nullptr) return;
        SDL_GL_DeleteContext(shared_->context);
        SDL_DestroyWindow(shared_->window);
        shared_.reset();
    }

private:
    enum class State { Idle, Queued, Running, Done };
    // What the thread and the device share; the thread keeps it alive if it
    // outlives the device.
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        State state = State::Idle;
        bool abandoned = false;
        bool stopping = false;
        std::string vertex;
        std::string pixel;
        GLuint program = 0;
        std::string log;
        SDL_Window* window = nullptr;
        SDL_GLContext context = nullptr;
    };

    static int Run(void* data) {
        std::shared_ptr<Shared> shared = std::move(*static_cast<std::shared_ptr<Shared>*>(data));
        delete static_cast<std::shared_ptr<Shared>*>(data);
        Shared& s = *shared;
        SDL_GL_MakeCurrent(s.window, s.context);
        std::unique_lock<std::mutex> lock(s.mutex);
        for (;;) {
            s.changed.wait(lock, [&] { return s.state == State::Queued || s.stopping; });
            if (s.state != State::Queued) break;
            s.state = State::Running;
            std::string vertex = std::move(s.vertex);
            std::string pixel = std::move(s.pixel);
            lock.unlock();
            if (int delay = g_linkDelayMs.load(); delay > 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            }
            std::string log;
            GLuint program = CompileAndLink(vertex, pixel, &log);
            glFinish();  // complete before the device's context uses it
            lock.lock();
            if (s.abandoned) {
                glDeleteProgram(program);
                s.abandoned = false;
                s.state = State::Idle;
            } else {
                s.program = program;
                s.log = std::move(log);
                s.state = State::Done;
            }
            s.changed.notify_all();
        }
        lock.unlock();
        SDL_GL_MakeCurrent(s.window, nullptr);
        return 0;
    }

    std::shared_ptr<Shared> shared_;
    SDL_Thread* thread_ = nullptr;
};

// How long the device waits for an abandoned link when it is released.
constexpr int kLinkThreadStopWaitMs = 2000;

// >> device

class GlDevice final : public IDirect3DDevice9,
                       public platform::ShaderPrograms,
                       public platform::DeviceTextures {
public:
    GlDevice(SDL_Window* window, SDL_GLContext context) : window_(window), context_(context) {}

    // Makes the back buffer, vertex array and samplers; false with the reason
    // in GetPlatformErrorText.
    bool Init(UINT width, UINT height, bool keepsAlpha);

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
    HRESULT Clear(DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindow,
                    const void* dirtyRegion) override;
    HRESULT SetVertexShaderConstantF(UINT startRegister, const float* data,
                                     UINT registerCount) override;
    HRESULT SetPixelShaderConstantF(UINT startRegister, const float* data,
                                    UINT registerCount) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                            UINT stride) override;
    HRESULT SetFVF(DWORD fvf) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT CreateShaderProgram(const std::string& vertexGlsl, const std::string& pixelGlsl,
                                UINT* program, std::string* log) override;
    HRESULT CreateShaderProgramWithin(int timeLimitMs, const std::string& vertexGlsl,
                                      const std::string& pixelGlsl, UINT* program,
                                      std::string* log) override;
    HRESULT SetShaderProgram(UINT program) override;
    void DeleteShaderProgram(UINT program) override;
    HRESULT GetShaderProgram(UINT* program) override;
    HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
    HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset,
                            UINT* stride) override;
    HRESULT GetFVF(DWORD* fvf) override;
    HRESULT GetTextureLimits(platform::TextureLimits* limits) override;
    HRESULT CreateTexture(const platform::TextureImage& image, UINT* texture,
                          std::string* error) override;
    HRESULT SetStageTexture(DWORD stage, UINT texture) override;
    HRESULT GetStageTexture(DWORD stage, UINT* texture) override;
    void DeleteTexture(UINT texture) override;

    // Makes this device's context current (a no-op when it already is).
    void MakeCurrent();
    void ForgetBuffer(GlVertexBuffer* buffer);
    HRESULT ReadBack(std::vector<uint32_t>* argbTopDown, UINT* width, UINT* height);
    HRESULT UseFloatTarget(UINT width, UINT height);
    HRESULT ReadFloatTarget(std::vector<float>* rgbaTopDown, UINT* width, UINT* height);
    void BackBufferTarget(unsigned* framebuffer, UINT* width, UINT* height) {
        MakeCurrent();
        *framebuffer = framebuffer_;
        *width = width_;
        *height = height_;
    }
    void SetOverlay(platform::PresentOverlay overlay, void* context) {
        overlay_ = overlay;
        overlayContext_ = context;
    }
    void LastPresentSize(int* width, int* height) const {
        *width = presentWidth_;
        *height = presentHeight_;
    }

private:
    ~GlDevice() override;

    // Init's parts: the back buffer and depth-stencil buffer, the vertex
    // layout and samplers, the device's default states.
    bool CreateBackBuffer(UINT width, UINT height, bool keepsAlpha);
    void CreateVertexLayout();
    void SetDefaultStates();
    void ApplyRenderState(D3DRENDERSTATETYPE state, DWORD value);
    // D3DRS_COLORWRITEENABLE, with alpha never written to a target without it.
    void ApplyColorMask();
    void ApplyBlend();
    // The stencil test and its operations, for both sides of a face.
    void ApplyStencil();
    void ApplyDepthBias();
    void ApplySamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type);
    void ApplyAnisotropy(DWORD sampler);
    void ApplyMipRange(DWORD sampler);
    ShaderProgram* FindProgram(UINT id);
    // Keeps a linked program: its constant arrays found, its id handed out.
    HRESULT Adopt(GLuint id, UINT* program);
    HRESULT SetConstants(std::array<float, D3D_SHADER_REGISTERS * 4>* block, uint64_t* version,
                         UINT start, const float* data, UINT count);

    SDL_Window* window_;
    SDL_GLContext context_;
    ULONG refs_ = 1;

    UINT width_ = 0;
    UINT height_ = 0;
    bool keepsAlpha_ = false;
    bool alphaFree_ = false;  // the back buffer has no alpha channel (GL_RGB8): nothing to mask
    bool targetKeepsAlpha_ = false;  // the float target, a back buffer with alpha or with none
    GLuint framebuffer_ = 0;
    GLuint colorBuffer_ = 0;
    GLuint depthStencilBuffer_ = 0;
    // The target draws go to: the back buffer, or the float target of tests.
    UINT targetWidth_ = 0;
    UINT targetHeight_ = 0;
    uint64_t targetVersion_ = 1;
    GLuint floatFramebuffer_ = 0;
    GLuint floatColorBuffer_ = 0;
    GLuint floatDepthStencilBuffer_ = 0;
    GLuint vertexArray_ = 0;
    std::array<GLuint, D3D_SAMPLER_STAGES> samplers_{};
    float maxAnisotropy_ = 1.0f;  // 1: the driver filters without anisotropy
    platform::GlTextures textures_;

    std::array<DWORD, kRenderStateCount> renderStates_{};
    std::array<std::array<DWORD, kSamplerStateCount>, D3D_SAMPLER_STAGES> samplerStates_{};

    std::array<float, D3D_SHADER_REGISTERS * 4> vsConstants_{};
    std::array<float, D3D_SHADER_REGISTERS * 4> psConstants_{};
    uint64_t vsVersion_ = 1;
    uint64_t psVersion_ = 1;
    uint64_t outputVersion_ = 1;  // of the states "fx_output" holds

    std::vector<ShaderProgram> programs_;
    ShaderProgram* boundProgram_ = nullptr;
    LinkThread linkThread_;  // started by the first link with a deadline
    bool linkThreadFailed_ = false;
    std::vector<GlVertexBuffer*> buffers_;  // live buffers, orphaned when the device goes

    GlVertexBuffer* stream_ = nullptr;
    UINT streamOffset_ = 0;
    UINT streamStride_ = 0;
    bool streamDirty_ = true;
    DWORD fvf_ = 0;

    bool inScene_ = false;
    int presentWidth_ = 0;
    int presentHeight_ = 0;
    platform::PresentOverlay overlay_ = nullptr;
    void* overlayContext_ = nullptr;
};

// >> IDirect3D9

class GlDirect3D final : public IDirect3D9 {
public:
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) override;

private:
    ~GlDirect3D() override = default;
    ULONG refs_ = 1;
};

}  // namespace gldevice
