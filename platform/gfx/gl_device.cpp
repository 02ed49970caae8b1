// The graphics device over OpenGL 4.5 core (libepoxy), on an SDL window.
//
// Implemented: [x] Direct3DCreate9 / CreateDevice: a GL 4.5 core context on the
//                  window, an offscreen back buffer (RGBA8 + depth24-stencil8;
//                  for any format but A8R8G8B8 its alpha is held at 1, so that
//                  blending reads destination alpha as 1), swap interval from
//                  PresentationInterval
//              [x] render states: blend enable / factors / op, cull mode, z
//                  enable / write / compare, fill mode; sampler states on GL
//                  sampler objects (filters, wrap modes, border colour, mip
//                  LOD bias, largest mip level, anisotropy where the driver
//                  offers it)
//              [x] Clear (whole target or rectangles), BeginScene / EndScene,
//                  Present (scaled blit into the window, then swap)
//              [x] vertex buffers with a CPU staging copy uploaded at Unlock
//              [x] FVF 0x20142 through one vertex array object; triangle lists
//              [x] two 64-register constant blocks, uploaded to the bound
//                  program's "vs_c" / "ps_c" arrays at draw time when changed
//              [x] texture objects for the effect (gl_texture.cpp); a stage
//                  without one holds a 1 x 1 opaque black texture of each kind
//              [x] the size of the target drawn into, for the programs'
//                  half-pixel shift ("fx_target")
//              [x] tests and tools: an RGBA32F target in place of the back
//                  buffer, read back as floats
// Not implemented: other vertex formats and primitive types,
// Present rectangles and window override, device reset, full-screen modes.
//
// Orientation: targets hold the image top row first, as Direct3D 9's screen
// runs: programs turn clip-space y over (platform/shader_conventions.h), so
// that clip-space +y lands in row 0. GL's window y then runs down the image
// like Direct3D 9's screen y, which makes gl_FragCoord, derivatives and the
// rule for edges through pixel centres agree with it; ReadBackBuffer copies
// rows as they are and Present's blit turns them over for the window. Faces
// clockwise on screen, the front of the original convention, are
// counter-clockwise to GL after the turn: glFrontFace(GL_CCW).
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

namespace {

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
    uint64_t vsVersion = 0;  // which contents of the blocks it holds already
    uint64_t psVersion = 0;
    uint64_t targetVersion = 0;
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

std::atomic<int> g_linkDelayMs{0};

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
    void LastPresentSize(int* width, int* height) const {
        *width = presentWidth_;
        *height = presentHeight_;
    }

private:
    ~GlDevice() override;

    void ApplyRenderState(D3DRENDERSTATETYPE state, DWORD value);
    // D3DRS_COLORWRITEENABLE, with alpha never written to a target without it.
    void ApplyColorMask();
    void ApplySamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type);
    void ApplyAnisotropy(DWORD sampler);
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
    bool targetKeepsAlpha_ = false;  // the float target, or a back buffer with alpha
    GLuint framebuffer_ = 0;
    GLuint colorBuffer_ = 0;
    GLuint depthStencilBuffer_ = 0;
    // The target draws go to: the back buffer, or the float target of tests.
    UINT targetWidth_ = 0;
    UINT targetHeight_ = 0;
    uint64_t targetVersion_ = 1;
    GLuint floatFramebuffer_ = 0;
    GLuint floatColorBuffer_ = 0;
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

// >> state translation tables

GLenum BlendFactor(DWORD blend) {
    switch (blend) {
        case D3DBLEND_ZERO: return GL_ZERO;
        case D3DBLEND_ONE: return GL_ONE;
        case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
        case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
        default: return GL_ONE;
    }
}

GLenum BlendEquation(DWORD op) {
    switch (op) {
        case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
        case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
        case D3DBLENDOP_MIN: return GL_MIN;
        case D3DBLENDOP_MAX: return GL_MAX;
        default: return GL_FUNC_ADD;
    }
}

GLenum CompareFunc(DWORD func) {
    switch (func) {
        case D3DCMP_NEVER: return GL_NEVER;
        case D3DCMP_LESS: return GL_LESS;
        case D3DCMP_EQUAL: return GL_EQUAL;
        case D3DCMP_LESSEQUAL: return GL_LEQUAL;
        case D3DCMP_GREATER: return GL_GREATER;
        case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
        case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
        default: return GL_ALWAYS;
    }
}

GLint WrapMode(DWORD address) {
    switch (address) {
        case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
        case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
        case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
        case D3DTADDRESS_MIRRORONCE: return GL_MIRROR_CLAMP_TO_EDGE;
        default: return GL_REPEAT;
    }
}

bool IsLinear(DWORD filter) { return filter == D3DTEXF_LINEAR || filter == D3DTEXF_ANISOTROPIC; }

// A float held in a DWORD's bits, as D3DSAMP_MIPMAPLODBIAS is; a value that
// is not a finite number reads as 0.
float FloatBits(DWORD bits) {
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return std::isfinite(value) ? value : 0.0f;
}

GLint MinFilter(DWORD min, DWORD mip) {
    bool linear = IsLinear(min);
    if (mip == D3DTEXF_NONE) return linear ? GL_LINEAR : GL_NEAREST;
    if (IsLinear(mip)) return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
}

// >> vertex buffer implementation

ULONG GlVertexBuffer::Release() {
    ULONG left = --refs_;
    if (left == 0) {
        if (device_ != nullptr) device_->ForgetBuffer(this);
        delete this;
    }
    return left;
}

HRESULT GlVertexBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
    if (data == nullptr) return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (device_ == nullptr || locked_) return D3DERR_INVALIDCALL;
    if (size == 0) size = length() - std::min(offset, length());
    if (offset > length() || size > length() - offset) return D3DERR_INVALIDCALL;
    lockOffset_ = offset;
    lockSize_ = size;
    discard_ = (flags & D3DLOCK_DISCARD) != 0;
    locked_ = true;
    *data = staging() + offset;
    return S_OK;
}

HRESULT GlVertexBuffer::Unlock() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    if (device_ == nullptr) return D3DERR_INVALIDCALL;
    device_->MakeCurrent();
    // Discard hands the driver the old storage back, so a draw still reading
    // last frame's vertices never stalls this upload.
    if (discard_) glInvalidateBufferData(name_);
    if (lockSize_ > 0) glNamedBufferSubData(name_, lockOffset_, lockSize_, staging() + lockOffset_);
    return S_OK;
}

// >> device implementation

bool GlDevice::Init(UINT width, UINT height, bool keepsAlpha) {
    width_ = width;
    height_ = height;
    targetWidth_ = width;
    targetHeight_ = height;
    keepsAlpha_ = keepsAlpha;
    targetKeepsAlpha_ = keepsAlpha;

    glCreateRenderbuffers(1, &colorBuffer_);
    glNamedRenderbufferStorage(colorBuffer_, GL_RGBA8, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    glCreateRenderbuffers(1, &depthStencilBuffer_);
    glNamedRenderbufferStorage(depthStencilBuffer_, GL_DEPTH24_STENCIL8, static_cast<GLsizei>(width),
                               static_cast<GLsizei>(height));
    glCreateFramebuffers(1, &framebuffer_);
    glNamedFramebufferRenderbuffer(framebuffer_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer_);
    glNamedFramebufferRenderbuffer(framebuffer_, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                   depthStencilBuffer_);
    GLenum status = glCheckNamedFramebufferStatus(framebuffer_, GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        char text[96];
        std::snprintf(text, sizeof text, "CreateDevice: back buffer incomplete (status 0x%04x)", status);
        platform::SetPlatformErrorText(text);
        return false;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));

    // A back buffer without alpha (X8R8G8B8) has no alpha to store, and
    // blending reads its destination alpha as 1: set alpha to 1 once and
    // never write it again (Clear and draws alike).
    if (!keepsAlpha) {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    }

    // The one vertex layout, FVF 0x20142: position, diffuse as D3DCOLOR bytes
    // (B, G, R, A in memory), four texture floats.
    glCreateVertexArrays(1, &vertexArray_);
    glVertexArrayAttribFormat(vertexArray_, platform::kPositionAttribute, 3, GL_FLOAT, GL_FALSE, 0);
    glVertexArrayAttribFormat(vertexArray_, platform::kColorAttribute, GL_BGRA, GL_UNSIGNED_BYTE,
                              GL_TRUE, 12);
    glVertexArrayAttribFormat(vertexArray_, platform::kTexcoordAttribute, 4, GL_FLOAT, GL_FALSE, 16);
    for (GLuint attribute = 0; attribute < GLuint{platform::kStreamAttributes}; ++attribute) {
        glVertexArrayAttribBinding(vertexArray_, attribute, 0);
        glEnableVertexArrayAttrib(vertexArray_, attribute);
    }
    glBindVertexArray(vertexArray_);

    glCreateSamplers(static_cast<GLsizei>(samplers_.size()), samplers_.data());
    for (GLuint unit = 0; unit < samplers_.size(); ++unit) glBindSampler(unit, samplers_[unit]);
    if (epoxy_gl_version() >= 46 || epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic") ||
        epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic")) {
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY, &maxAnisotropy_);
    }

    // The program binds no texture, but an effect may sample one: every
    // stage starts with an opaque black stand-in of each kind.
    textures_.Init();

    // The original device's defaults, with an automatic depth-stencil buffer.
    const std::pair<D3DRENDERSTATETYPE, DWORD> defaults[] = {
        {D3DRS_ZENABLE, D3DZB_TRUE},       {D3DRS_FILLMODE, D3DFILL_SOLID},
        {D3DRS_ZWRITEENABLE, TRUE},        {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ZERO},  {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},   {D3DRS_ALPHABLENDENABLE, FALSE},
        {D3DRS_BLENDOP, D3DBLENDOP_ADD},   {D3DRS_COLORWRITEENABLE, 0xF},
    };
    glFrontFace(GL_CCW);
    for (auto [state, value] : defaults) SetRenderState(state, value);
    for (DWORD sampler = 0; sampler < D3D_SAMPLER_STAGES; ++sampler) {
        SetSamplerState(sampler, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
        SetSamplerState(sampler, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
        SetSamplerState(sampler, D3DSAMP_ADDRESSW, D3DTADDRESS_WRAP);
        SetSamplerState(sampler, D3DSAMP_BORDERCOLOR, 0);
        SetSamplerState(sampler, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        SetSamplerState(sampler, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        SetSamplerState(sampler, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
        SetSamplerState(sampler, D3DSAMP_MIPMAPLODBIAS, 0);
        SetSamplerState(sampler, D3DSAMP_MAXMIPLEVEL, 0);
        SetSamplerState(sampler, D3DSAMP_MAXANISOTROPY, 1);
    }
    programs_.reserve(16);
    return true;
}

GlDevice::~GlDevice() {
    linkThread_.Stop(kLinkThreadStopWaitMs);
    MakeCurrent();
    for (GlVertexBuffer* buffer : buffers_) {
        GLuint name = buffer->name();
        glDeleteBuffers(1, &name);
        buffer->Orphan();
    }
    for (const ShaderProgram& program : programs_) glDeleteProgram(program.id);
    glDeleteFramebuffers(1, &floatFramebuffer_);
    glDeleteRenderbuffers(1, &floatColorBuffer_);
    glDeleteSamplers(static_cast<GLsizei>(samplers_.size()), samplers_.data());
    textures_.Shutdown();
    glDeleteVertexArrays(1, &vertexArray_);
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteRenderbuffers(1, &colorBuffer_);
    glDeleteRenderbuffers(1, &depthStencilBuffer_);
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(context_);
    linkThread_.ReleaseContext();
}

ULONG GlDevice::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

void GlDevice::MakeCurrent() {
    if (SDL_GL_GetCurrentContext() != context_) SDL_GL_MakeCurrent(window_, context_);
}

void GlDevice::ForgetBuffer(GlVertexBuffer* buffer) {
    MakeCurrent();
    if (stream_ == buffer) {
        stream_ = nullptr;
        streamDirty_ = true;
    }
    GLuint name = buffer->name();
    glDeleteBuffers(1, &name);
    buffers_.erase(std::remove(buffers_.begin(), buffers_.end(), buffer), buffers_.end());
}

HRESULT GlDevice::CreateVertexBuffer(UINT length, DWORD, DWORD, D3DPOOL,
                                     IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) {
    if (buffer == nullptr) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || sharedHandle != nullptr) return D3DERR_INVALIDCALL;
    MakeCurrent();
    GLuint name = 0;
    glCreateBuffers(1, &name);
    // Immutable storage that may be rewritten: every frame replaces it whole.
    glNamedBufferStorage(name, length, nullptr, GL_DYNAMIC_STORAGE_BIT);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteBuffers(1, &name);
        return E_OUTOFMEMORY;
    }
    auto* created = new GlVertexBuffer(this, name, length);
    buffers_.push_back(created);
    *buffer = created;
    return S_OK;
}

HRESULT GlDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (state >= kRenderStateCount) return D3DERR_INVALIDCALL;
    renderStates_[state] = value;
    MakeCurrent();
    ApplyRenderState(state, value);
    return S_OK;
}

HRESULT GlDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (state >= kRenderStateCount || value == nullptr) return D3DERR_INVALIDCALL;
    *value = renderStates_[state];
    return S_OK;
}

void GlDevice::ApplyRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    switch (state) {
        case D3DRS_ZENABLE:
            if (value != D3DZB_FALSE) glEnable(GL_DEPTH_TEST); else glDisable(GL_DEPTH_TEST);
            break;
        case D3DRS_FILLMODE:
            glPolygonMode(GL_FRONT_AND_BACK, value == D3DFILL_POINT       ? GL_POINT
                                             : value == D3DFILL_WIREFRAME ? GL_LINE
                                                                          : GL_FILL);
            break;
        case D3DRS_ZWRITEENABLE:
            glDepthMask(value != 0 ? GL_TRUE : GL_FALSE);
            break;
        case D3DRS_SRCBLEND:
        case D3DRS_DESTBLEND:
            glBlendFunc(BlendFactor(renderStates_[D3DRS_SRCBLEND]),
                        BlendFactor(renderStates_[D3DRS_DESTBLEND]));
            break;
        case D3DRS_CULLMODE:
            // Front faces are clockwise on screen (glFrontFace(GL_CCW) after the turn).
            if (value == D3DCULL_NONE) {
                glDisable(GL_CULL_FACE);
            } else {
                glEnable(GL_CULL_FACE);
                glCullFace(value == D3DCULL_CW ? GL_FRONT : GL_BACK);
            }
            break;
        case D3DRS_ZFUNC:
            glDepthFunc(CompareFunc(value));
            break;
        case D3DRS_ALPHABLENDENABLE:
            if (value != 0) glEnable(GL_BLEND); else glDisable(GL_BLEND);
            break;
        case D3DRS_BLENDOP:
            glBlendEquation(BlendEquation(value));
            break;
        case D3DRS_COLORWRITEENABLE:
            ApplyColorMask();
            break;
        default:
            // Kept for GetRenderState; nothing in GL to change.
            break;
    }
}

void GlDevice::ApplyColorMask() {
    const DWORD v = renderStates_[D3DRS_COLORWRITEENABLE];
    glColorMask((v & D3DCOLORWRITEENABLE_RED) != 0, (v & D3DCOLORWRITEENABLE_GREEN) != 0,
                (v & D3DCOLORWRITEENABLE_BLUE) != 0,
                (v & D3DCOLORWRITEENABLE_ALPHA) != 0 && targetKeepsAlpha_);
}

HRESULT GlDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    if (sampler >= D3D_SAMPLER_STAGES || type >= kSamplerStateCount) return D3DERR_INVALIDCALL;
    samplerStates_[sampler][type] = value;
    MakeCurrent();
    ApplySamplerState(sampler, type);
    return S_OK;
}

HRESULT GlDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    if (sampler >= D3D_SAMPLER_STAGES || type >= kSamplerStateCount || value == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *value = samplerStates_[sampler][type];
    return S_OK;
}

void GlDevice::ApplySamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type) {
    GLuint name = samplers_[sampler];
    const auto& states = samplerStates_[sampler];
    switch (type) {
        case D3DSAMP_ADDRESSU: glSamplerParameteri(name, GL_TEXTURE_WRAP_S, WrapMode(states[type])); break;
        case D3DSAMP_ADDRESSV: glSamplerParameteri(name, GL_TEXTURE_WRAP_T, WrapMode(states[type])); break;
        case D3DSAMP_ADDRESSW: glSamplerParameteri(name, GL_TEXTURE_WRAP_R, WrapMode(states[type])); break;
        case D3DSAMP_BORDERCOLOR: {
            DWORD c = states[type];
            const float color[4] = {((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f,
                                    (c & 0xFF) / 255.0f, ((c >> 24) & 0xFF) / 255.0f};
            glSamplerParameterfv(name, GL_TEXTURE_BORDER_COLOR, color);
            break;
        }
        case D3DSAMP_MAGFILTER:
            glSamplerParameteri(name, GL_TEXTURE_MAG_FILTER, IsLinear(states[type]) ? GL_LINEAR : GL_NEAREST);
            ApplyAnisotropy(sampler);
            break;
        case D3DSAMP_MINFILTER:
        case D3DSAMP_MIPFILTER:
            glSamplerParameteri(name, GL_TEXTURE_MIN_FILTER,
                                MinFilter(states[D3DSAMP_MINFILTER], states[D3DSAMP_MIPFILTER]));
            ApplyAnisotropy(sampler);
            break;
        case D3DSAMP_MIPMAPLODBIAS:
            glSamplerParameterf(name, GL_TEXTURE_LOD_BIAS, FloatBits(states[type]));
            break;
        case D3DSAMP_MAXMIPLEVEL:
            // Levels above it are never read: the LOD starts there.
            glSamplerParameterf(name, GL_TEXTURE_MIN_LOD, static_cast<float>(states[type]));
            break;
        case D3DSAMP_MAXANISOTROPY:
            ApplyAnisotropy(sampler);
            break;
        default:
            break;
    }
}

// MaxAnisotropy counts only while a filter of the stage is anisotropic.
void GlDevice::ApplyAnisotropy(DWORD sampler) {
    if (maxAnisotropy_ <= 1.0f) return;
    const auto& states = samplerStates_[sampler];
    bool anisotropic = states[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC ||
                       states[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC;
    float amount = anisotropic ? static_cast<float>(states[D3DSAMP_MAXANISOTROPY]) : 1.0f;
    glSamplerParameterf(samplers_[sampler], GL_TEXTURE_MAX_ANISOTROPY,
                        std::clamp(amount, 1.0f, maxAnisotropy_));
}

HRESULT GlDevice::Clear(DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                        float z, DWORD stencil) {
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) mask |= GL_COLOR_BUFFER_BIT;
    if (flags & D3DCLEAR_ZBUFFER) mask |= GL_DEPTH_BUFFER_BIT;
    if (flags & D3DCLEAR_STENCIL) mask |= GL_STENCIL_BUFFER_BIT;
    if (mask == 0 || (rectCount > 0 && rects == nullptr)) return D3DERR_INVALIDCALL;
    MakeCurrent();
    glClearColor(((color >> 16) & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f,
                 (color & 0xFF) / 255.0f, ((color >> 24) & 0xFF) / 255.0f);
    glClearDepthf(std::clamp(z, 0.0f, 1.0f));
    glClearStencil(static_cast<GLint>(stencil & 0xFF));
    // Clear ignores the depth and colour write switches; GL's glClear does not.
    glDepthMask(GL_TRUE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, targetKeepsAlpha_ ? GL_TRUE : GL_FALSE);
    if (rectCount == 0) {
        glClear(mask);
    } else {
        glEnable(GL_SCISSOR_TEST);
        for (DWORD i = 0; i < rectCount; ++i) {
            const D3DRECT& r = rects[i];
            LONG x1 = std::max<LONG>(r.x1, 0), y1 = std::max<LONG>(r.y1, 0);
            LONG x2 = std::min<LONG>(r.x2, static_cast<LONG>(targetWidth_));
            LONG y2 = std::min<LONG>(r.y2, static_cast<LONG>(targetHeight_));
            if (x2 <= x1 || y2 <= y1) continue;
            // Rectangles count rows from the top, as the targets hold them.
            glScissor(x1, y1, x2 - x1, y2 - y1);
            glClear(mask);
        }
        glDisable(GL_SCISSOR_TEST);
    }
    glDepthMask(renderStates_[D3DRS_ZWRITEENABLE] != 0 ? GL_TRUE : GL_FALSE);
    ApplyColorMask();
    return S_OK;
}

HRESULT GlDevice::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return S_OK;
}

HRESULT GlDevice::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return S_OK;
}

HRESULT GlDevice::Present(const RECT*, const RECT*, HWND, const void*) {
    MakeCurrent();
    int drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(window_, &drawableWidth, &drawableHeight);
    if (drawableWidth > 0 && drawableHeight > 0) {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        // Row 0, the image's top, goes to the window's top.
        glBlitNamedFramebuffer(framebuffer_, 0, 0, 0, static_cast<GLint>(width_),
                               static_cast<GLint>(height_), 0, drawableHeight, drawableWidth, 0,
                               GL_COLOR_BUFFER_BIT, GL_LINEAR);
        presentWidth_ = drawableWidth;
        presentHeight_ = drawableHeight;
        SDL_GL_SwapWindow(window_);
        glBindFramebuffer(GL_FRAMEBUFFER, floatFramebuffer_ != 0 ? floatFramebuffer_ : framebuffer_);
    }
    return S_OK;
}

HRESULT GlDevice::SetConstants(std::array<float, D3D_SHADER_REGISTERS * 4>* block,
                               uint64_t* version, UINT start, const float* data, UINT count) {
    if (data == nullptr || start > D3D_SHADER_REGISTERS || count > D3D_SHADER_REGISTERS - start) {
        return D3DERR_INVALIDCALL;
    }
    float* target = block->data() + start * 4;
    size_t bytes = size_t{count} * 4 * sizeof(float);
    // Unchanged registers cost no upload at the next draw.
    if (std::memcmp(target, data, bytes) != 0) {
        std::memcpy(target, data, bytes);
        ++*version;
    }
    return S_OK;
}

HRESULT GlDevice::SetVertexShaderConstantF(UINT start, const float* data, UINT count) {
    return SetConstants(&vsConstants_, &vsVersion_, start, data, count);
}

HRESULT GlDevice::SetPixelShaderConstantF(UINT start, const float* data, UINT count) {
    return SetConstants(&psConstants_, &psVersion_, start, data, count);
}

HRESULT GlDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                  UINT stride) {
    if (stream != 0) return D3DERR_INVALIDCALL;
    GlVertexBuffer* glBuffer = nullptr;
    if (buffer != nullptr) {
        glBuffer = dynamic_cast<GlVertexBuffer*>(buffer);
        if (glBuffer == nullptr ||
            std::find(buffers_.begin(), buffers_.end(), glBuffer) == buffers_.end()) {
            return D3DERR_INVALIDCALL;
        }
    }
    if (glBuffer != stream_ || offset != streamOffset_ || stride != streamStride_) {
        stream_ = glBuffer;
        streamOffset_ = offset;
        streamStride_ = stride;
        streamDirty_ = true;
    }
    return S_OK;
}

HRESULT GlDevice::SetFVF(DWORD fvf) {
    if (fvf != kSupportedFvf) return D3DERR_INVALIDCALL;
    fvf_ = fvf;
    return S_OK;
}

HRESULT GlDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    if (type != D3DPT_TRIANGLELIST) return D3DERR_INVALIDCALL;
    // Without a program, a stream or the vertex layout there is nothing to draw.
    if (boundProgram_ == nullptr || stream_ == nullptr || fvf_ != kSupportedFvf ||
        streamStride_ != kSupportedStride || stream_->locked()) {
        return D3DERR_INVALIDCALL;
    }
    uint64_t vertexCount = uint64_t{primitiveCount} * 3;
    uint64_t end = streamOffset_ + (uint64_t{startVertex} + vertexCount) * streamStride_;
    if (end > stream_->length()) return D3DERR_INVALIDCALL;
    if (vertexCount == 0) return S_OK;

    MakeCurrent();
    if (streamDirty_) {
        glVertexArrayVertexBuffer(vertexArray_, 0, stream_->name(), streamOffset_,
                                  static_cast<GLsizei>(streamStride_));
        streamDirty_ = false;
    }
    ShaderProgram& program = *boundProgram_;
    if (program.vsLocation >= 0 && program.vsVersion != vsVersion_) {
        glProgramUniform4fv(program.id, program.vsLocation, program.vsCount, vsConstants_.data());
        program.vsVersion = vsVersion_;
    }
    if (program.psLocation >= 0 && program.psVersion != psVersion_) {
        glProgramUniform4fv(program.id, program.psLocation, program.psCount, psConstants_.data());
        program.psVersion = psVersion_;
    }
    if (program.targetLocation >= 0 && program.targetVersion != targetVersion_) {
        const float w = static_cast<float>(targetWidth_), h = static_cast<float>(targetHeight_);
        glProgramUniform4f(program.id, program.targetLocation, w, h, 1.0f / w, 1.0f / h);
        program.targetVersion = targetVersion_;
    }
    glDrawArrays(GL_TRIANGLES, static_cast<GLint>(startVertex), static_cast<GLsizei>(vertexCount));
    return S_OK;
}

// Compiles one stage; 0 and the compiler's log on failure.
GLuint CompileStage(GLenum stage, const char* stageName, const std::string& source,
                    std::string* log) {
    GLuint shader = glCreateShader(stage);
    const char* text = source.c_str();
    GLint length = static_cast<GLint>(source.size());
    glShaderSource(shader, 1, &text, &length);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == GL_TRUE) return shader;
    GLint logLength = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &logLength);
    std::string info(static_cast<size_t>(std::max(logLength, 1)), '\0');
    glGetShaderInfoLog(shader, static_cast<GLsizei>(info.size()), nullptr, info.data());
    info.resize(std::strlen(info.c_str()));
    if (log != nullptr) *log += std::string(stageName) + " shader failed to compile:\n" + info;
    glDeleteShader(shader);
    return 0;
}

// Location and size of a "vec4 NAME[N]" uniform; location -1 when absent.
void FindConstantArray(GLuint program, const char* name, GLint* location, GLint* count) {
    *location = -1;
    *count = 0;
    GLuint index = glGetProgramResourceIndex(program, GL_UNIFORM, name);
    if (index == GL_INVALID_INDEX) {
        std::string element = std::string(name) + "[0]";
        index = glGetProgramResourceIndex(program, GL_UNIFORM, element.c_str());
    }
    if (index == GL_INVALID_INDEX) return;
    const GLenum props[] = {GL_LOCATION, GL_ARRAY_SIZE, GL_TYPE};
    GLint values[3] = {-1, 0, 0};
    glGetProgramResourceiv(program, GL_UNIFORM, index, 3, props, 3, nullptr, values);
    if (values[2] != GL_FLOAT_VEC4 || values[0] < 0) return;
    *location = values[0];
    *count = std::min<GLint>(values[1], platform::kConstantRegisters);
}

// The program made of two stages, on the current context; 0 with the
// compiler's or linker's log on failure.
GLuint CompileAndLink(const std::string& vertexGlsl, const std::string& pixelGlsl,
                      std::string* log) {
    GLuint vertex = CompileStage(GL_VERTEX_SHADER, "vertex", vertexGlsl, log);
    GLuint pixel = CompileStage(GL_FRAGMENT_SHADER, "pixel", pixelGlsl, log);
    if (vertex == 0 || pixel == 0) {
        glDeleteShader(vertex);
        glDeleteShader(pixel);
        return 0;
    }
    GLuint id = glCreateProgram();
    glAttachShader(id, vertex);
    glAttachShader(id, pixel);
    glLinkProgram(id);
    glDetachShader(id, vertex);
    glDetachShader(id, pixel);
    glDeleteShader(vertex);
    glDeleteShader(pixel);
    GLint ok = GL_FALSE;
    glGetProgramiv(id, GL_LINK_STATUS, &ok);
    if (ok == GL_TRUE) return id;
    GLint logLength = 0;
    glGetProgramiv(id, GL_INFO_LOG_LENGTH, &logLength);
    std::string info(static_cast<size_t>(std::max(logLength, 1)), '\0');
    glGetProgramInfoLog(id, static_cast<GLsizei>(info.size()), nullptr, info.data());
    info.resize(std::strlen(info.c_str()));
    if (log != nullptr) *log += "shader program failed to link:\n" + info;
    glDeleteProgram(id);
    return 0;
}

HRESULT GlDevice::CreateShaderProgram(const std::string& vertexGlsl, const std::string& pixelGlsl,
                                      UINT* program, std::string* log) {
    if (program == nullptr) return D3DERR_INVALIDCALL;
    *program = 0;
    if (log != nullptr) log->clear();
    MakeCurrent();
    GLuint id = CompileAndLink(vertexGlsl, pixelGlsl, log);
    return id != 0 ? Adopt(id, program) : E_FAIL;
}

HRESULT GlDevice::CreateShaderProgramWithin(int timeLimitMs, const std::string& vertexGlsl,
                                            const std::string& pixelGlsl, UINT* program,
                                            std::string* log) {
    if (program == nullptr) return D3DERR_INVALIDCALL;
    *program = 0;
    if (log != nullptr) log->clear();
    MakeCurrent();
    if (!linkThread_.Started() && !linkThreadFailed_) {
        std::string error;
        if (!linkThread_.Start(window_, context_, &error)) {
            linkThreadFailed_ = true;
            std::fprintf(stderr,
                         "[gfx] no second GL context to link shaders on (%s); large shaders link "
                         "without a deadline\n",
                         error.c_str());
        }
    }
    if (timeLimitMs <= 0 || !linkThread_.Started()) {
        return CreateShaderProgram(vertexGlsl, pixelGlsl, program, log);
    }
    GLuint id = 0;
    std::string driverLog;
    switch (linkThread_.Link(vertexGlsl, pixelGlsl, timeLimitMs, &id, &driverLog)) {
        case LinkThread::Outcome::TimedOut:
            if (log != nullptr) *log = "the GL driver was still compiling and linking at the deadline";
            return D3DERR_WASSTILLDRAWING;
        case LinkThread::Outcome::Busy:
            if (log != nullptr) *log = "the GL driver is still busy with shaders abandoned earlier";
            return D3DERR_WASSTILLDRAWING;
        case LinkThread::Outcome::Done:
            break;
    }
    if (log != nullptr) *log = std::move(driverLog);
    MakeCurrent();
    return id != 0 ? Adopt(id, program) : E_FAIL;
}

HRESULT GlDevice::Adopt(GLuint id, UINT* program) {
    ShaderProgram created;
    created.id = id;
    FindConstantArray(id, platform::kVertexConstants, &created.vsLocation, &created.vsCount);
    FindConstantArray(id, platform::kPixelConstants, &created.psLocation, &created.psCount);
    created.targetLocation = glGetUniformLocation(id, platform::kTargetUniform);
    // Growing the list moves its entries: keep the bound one by id.
    UINT boundId = boundProgram_ != nullptr ? boundProgram_->id : 0;
    programs_.push_back(created);
    boundProgram_ = FindProgram(boundId);
    *program = id;
    return S_OK;
}

ShaderProgram* GlDevice::FindProgram(UINT id) {
    if (id == 0) return nullptr;
    for (ShaderProgram& program : programs_) {
        if (program.id == id) return &program;
    }
    return nullptr;
}

HRESULT GlDevice::SetShaderProgram(UINT id) {
    ShaderProgram* program = FindProgram(id);
    if (id != 0 && program == nullptr) return D3DERR_INVALIDCALL;
    MakeCurrent();
    boundProgram_ = program;
    glUseProgram(program != nullptr ? program->id : 0);
    return S_OK;
}

void GlDevice::DeleteShaderProgram(UINT id) {
    ShaderProgram* program = FindProgram(id);
    if (program == nullptr) return;
    MakeCurrent();
    UINT boundId = boundProgram_ != nullptr ? boundProgram_->id : 0;
    if (boundId == id) {
        glUseProgram(0);
        boundId = 0;
    }
    glDeleteProgram(id);
    programs_.erase(programs_.begin() + (program - programs_.data()));
    boundProgram_ = FindProgram(boundId);
}

HRESULT GlDevice::GetShaderProgram(UINT* program) {
    if (program == nullptr) return D3DERR_INVALIDCALL;
    *program = boundProgram_ != nullptr ? boundProgram_->id : 0;
    return S_OK;
}

HRESULT GlDevice::GetViewport(D3DVIEWPORT9* viewport) {
    if (viewport == nullptr) return D3DERR_INVALIDCALL;
    *viewport = D3DVIEWPORT9{0, 0, width_, height_, 0.0f, 1.0f};
    return S_OK;
}

HRESULT GlDevice::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset,
                                  UINT* stride) {
    if (stream != 0 || buffer == nullptr || offset == nullptr || stride == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *buffer = stream_;
    *offset = streamOffset_;
    *stride = streamStride_;
    return S_OK;
}

HRESULT GlDevice::GetFVF(DWORD* fvf) {
    if (fvf == nullptr) return D3DERR_INVALIDCALL;
    *fvf = fvf_;
    return S_OK;
}

// >> textures (gl_texture.cpp)

HRESULT GlDevice::GetTextureLimits(platform::TextureLimits* limits) {
    if (limits == nullptr) return D3DERR_INVALIDCALL;
    *limits = textures_.Limits();
    return S_OK;
}

HRESULT GlDevice::CreateTexture(const platform::TextureImage& image, UINT* texture,
                                std::string* error) {
    MakeCurrent();
    return textures_.Create(image, texture, error);
}

HRESULT GlDevice::SetStageTexture(DWORD stage, UINT texture) {
    MakeCurrent();
    return textures_.Bind(stage, texture);
}

HRESULT GlDevice::GetStageTexture(DWORD stage, UINT* texture) {
    return textures_.Bound(stage, texture);
}

void GlDevice::DeleteTexture(UINT texture) {
    MakeCurrent();
    textures_.Delete(texture);
}

HRESULT GlDevice::ReadBack(std::vector<uint32_t>* argbTopDown, UINT* width, UINT* height) {
    if (argbTopDown == nullptr) return E_INVALIDARG;
    MakeCurrent();
    argbTopDown->resize(size_t{width_} * height_);
    glNamedFramebufferReadBuffer(framebuffer_, GL_COLOR_ATTACHMENT0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // BGRA bytes read as one little-endian word are 0xAARRGGBB.
    glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, argbTopDown->data());
    if (width != nullptr) *width = width_;
    if (height != nullptr) *height = height_;
    return S_OK;
}

HRESULT GlDevice::UseFloatTarget(UINT width, UINT height) {
    if ((width == 0) != (height == 0) || width > 4096 || height > 4096) return D3DERR_INVALIDCALL;
    MakeCurrent();
    glDeleteFramebuffers(1, &floatFramebuffer_);
    glDeleteRenderbuffers(1, &floatColorBuffer_);
    floatFramebuffer_ = 0;
    floatColorBuffer_ = 0;
    GLuint target = framebuffer_;
    if (width != 0) {
        glCreateRenderbuffers(1, &floatColorBuffer_);
        glNamedRenderbufferStorage(floatColorBuffer_, GL_RGBA32F, static_cast<GLsizei>(width),
                                   static_cast<GLsizei>(height));
        glCreateFramebuffers(1, &floatFramebuffer_);
        glNamedFramebufferRenderbuffer(floatFramebuffer_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                       floatColorBuffer_);
        if (glCheckNamedFramebufferStatus(floatFramebuffer_, GL_FRAMEBUFFER) !=
            GL_FRAMEBUFFER_COMPLETE) {
            UseFloatTarget(0, 0);
            return D3DERR_NOTAVAILABLE;
        }
        target = floatFramebuffer_;
    }
    targetWidth_ = width != 0 ? width : width_;
    targetHeight_ = height != 0 ? height : height_;
    ++targetVersion_;
    glBindFramebuffer(GL_FRAMEBUFFER, target);
    glViewport(0, 0, static_cast<GLsizei>(targetWidth_), static_cast<GLsizei>(targetHeight_));
    // The float target keeps every channel; the back buffer's alpha only
    // when it has one.
    targetKeepsAlpha_ = width != 0 || keepsAlpha_;
    ApplyColorMask();
    return S_OK;
}

HRESULT GlDevice::ReadFloatTarget(std::vector<float>* rgbaTopDown, UINT* width, UINT* height) {
    if (rgbaTopDown == nullptr || floatFramebuffer_ == 0) return D3DERR_INVALIDCALL;
    MakeCurrent();
    const size_t rowFloats = size_t{targetWidth_} * 4;
    rgbaTopDown->resize(rowFloats * targetHeight_);
    glNamedFramebufferReadBuffer(floatFramebuffer_, GL_COLOR_ATTACHMENT0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, floatFramebuffer_);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, static_cast<GLsizei>(targetWidth_), static_cast<GLsizei>(targetHeight_),
                 GL_RGBA, GL_FLOAT, rgbaTopDown->data());
    if (width != nullptr) *width = targetWidth_;
    if (height != nullptr) *height = targetHeight_;
    return S_OK;
}

// >> device creation

// "OpenGL 4.5 core is needed, the driver offers 3.3".
std::string OlderGlText(int version) {
    return "OpenGL 4.5 core is needed, the driver offers " + std::to_string(version / 10) + "." +
           std::to_string(version % 10);
}

// Why no 4.5 core context came: the version the driver does offer, read
// from a context of its own choosing, or else SDL's reason.
std::string NoCoreContextText(SDL_Window* window, const std::string& sdlReason) {
    SDL_GL_ResetAttributes();
    SDL_GLContext any = SDL_GL_CreateContext(window);
    int version = 0;
    if (any != nullptr) {
        SDL_GL_MakeCurrent(window, any);
        version = epoxy_gl_version();
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(any);
    }
    if (version > 0 && version < 45) return OlderGlText(version);
    return "no OpenGL 4.5 core context (" + sdlReason + ")";
}

HRESULT GlDirect3D::CreateDevice(UINT adapter, D3DDEVTYPE, HWND focusWindow, DWORD,
                                 D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) {
    if (device == nullptr) return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (params == nullptr || adapter != D3DADAPTER_DEFAULT) {
        platform::SetPlatformErrorText("only the default adapter, with parameters");
        return D3DERR_INVALIDCALL;
    }
    HWND windowHandle = params->hDeviceWindow != nullptr ? params->hDeviceWindow : focusWindow;
    SDL_Window* window = platform::GetSdlWindow(windowHandle);
    if (window == nullptr) {
        platform::SetPlatformErrorText("no window to draw into");
        return D3DERR_INVALIDCALL;
    }
    UINT width = params->BackBufferWidth;
    UINT height = params->BackBufferHeight;
    if (width == 0 || height == 0) {
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window, &w, &h);
        width = static_cast<UINT>(std::max(w, 1));
        height = static_cast<UINT>(std::max(h, 1));
    }

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr) {
        platform::SetPlatformErrorText(NoCoreContextText(window, SDL_GetError()));
        return D3DERR_NOTAVAILABLE;
    }
    SDL_GL_MakeCurrent(window, context);
    if (epoxy_gl_version() < 45) {
        platform::SetPlatformErrorText(OlderGlText(epoxy_gl_version()));
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(context);
        return D3DERR_NOTAVAILABLE;
    }
    // Vsync paces the frames where the display can; without it they run free.
    SDL_GL_SetSwapInterval(params->PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);

    auto* created = new GlDevice(window, context);
    if (!created->Init(width, height, params->BackBufferFormat == D3DFMT_A8R8G8B8)) {
        created->Release();
        return D3DERR_NOTAVAILABLE;
    }
    params->BackBufferWidth = width;
    params->BackBufferHeight = height;
    *device = created;
    return S_OK;
}

}  // namespace

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION) {
        platform::SetPlatformErrorText("SDK version " + std::to_string(sdkVersion) +
                                       " is not supported (32 is)");
        return nullptr;
    }
    if (!platform::EnsureVideo()) return nullptr;
    return new GlDirect3D();
}

namespace platform {

HRESULT ReadBackBuffer(IDirect3DDevice9* device, std::vector<uint32_t>* argbTopDown, UINT* width,
                       UINT* height) {
    auto* glDevice = dynamic_cast<GlDevice*>(device);
    if (glDevice == nullptr) return E_INVALIDARG;
    return glDevice->ReadBack(argbTopDown, width, height);
}

HRESULT UseFloatRenderTarget(IDirect3DDevice9* device, UINT width, UINT height) {
    auto* glDevice = dynamic_cast<GlDevice*>(device);
    if (glDevice == nullptr) return E_INVALIDARG;
    return glDevice->UseFloatTarget(width, height);
}

HRESULT ReadFloatRenderTarget(IDirect3DDevice9* device, std::vector<float>* rgbaTopDown,
                              UINT* width, UINT* height) {
    auto* glDevice = dynamic_cast<GlDevice*>(device);
    if (glDevice == nullptr) return E_INVALIDARG;
    return glDevice->ReadFloatTarget(rgbaTopDown, width, height);
}

HRESULT GetLastPresentSize(IDirect3DDevice9* device, int* width, int* height) {
    auto* glDevice = dynamic_cast<GlDevice*>(device);
    if (glDevice == nullptr || width == nullptr || height == nullptr) return E_INVALIDARG;
    glDevice->LastPresentSize(width, height);
    return S_OK;
}

void SetLinkDelayForTesting(int ms) { g_linkDelayMs = ms; }

}  // namespace platform
