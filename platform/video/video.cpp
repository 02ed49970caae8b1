// The running video: the back buffer read into a ring of pixel-pack buffers
// (glReadPixels into a buffer returns at once; the copy is done by the time
// its fence signals), each written to the pipe when its slot comes round
// again, kRingDepth - 1 frames later. Frames are numbered, so a late write is
// still in order; FinishVideo writes the rest.
#include "platform/video/video.h"

#include "platform/gfx/gl_device.h"
#include "platform/video/video_pipe.h"

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <string>

namespace {

constexpr int kRingDepth = 3;
constexpr GLuint64 kFenceWaitNs = 1000000000;  // a second at a time, until it signals

struct VideoSession {
    bool running = false;
    IDirect3DDevice9* device = nullptr;
    GLuint framebuffer = 0;
    UINT width = 0;
    UINT height = 0;
    size_t frameBytes = 0;
    std::array<GLuint, kRingDepth> buffers{};
    std::array<GLsync, kRingDepth> fences{};
    long added = 0;    // frames read back
    long written = 0;  // frames handed to the pipe
    platform::VideoPipe pipe;
};

VideoSession g_video;
std::string g_videoError;

void ReleaseBuffers() {
    for (int i = 0; i < kRingDepth; ++i) {
        if (g_video.fences[i] != nullptr) glDeleteSync(g_video.fences[i]);
        g_video.fences[i] = nullptr;
    }
    if (g_video.buffers[0] != 0) glDeleteBuffers(kRingDepth, g_video.buffers.data());
    g_video.buffers.fill(0);
}

// Ends the session; the pipe abandoned unless it was closed already.
void EndSession() {
    if (g_video.device != nullptr) {
        unsigned framebuffer = 0;
        UINT width = 0, height = 0;
        platform::GetBackBufferTarget(g_video.device, &framebuffer, &width, &height);  // context current
        ReleaseBuffers();
    }
    g_video.pipe.Abandon();
    g_video.running = false;
    g_video.device = nullptr;
}

// Hands the oldest frame still in the ring to the pipe.
bool WriteOldest() {
    int slot = static_cast<int>(g_video.written % kRingDepth);
    GLsync fence = g_video.fences[slot];
    while (glClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, kFenceWaitNs) == GL_TIMEOUT_EXPIRED) {
    }
    glDeleteSync(fence);
    g_video.fences[slot] = nullptr;
    const void* pixels = glMapNamedBufferRange(g_video.buffers[slot], 0,
                                               static_cast<GLsizeiptr>(g_video.frameBytes), GL_MAP_READ_BIT);
    if (pixels == nullptr) {
        g_videoError = "cannot map the frame read back from the device";
        return false;
    }
    bool ok = g_video.pipe.Write(pixels, g_video.frameBytes, &g_videoError);
    glUnmapNamedBuffer(g_video.buffers[slot]);
    if (ok) ++g_video.written;
    return ok;
}

}  // namespace

HRESULT StartVideo(IDirect3DDevice9* device, const VideoSettings& settings) {
    if (g_video.running) return D3DERR_INVALIDCALL;
    unsigned framebuffer = 0;
    UINT width = 0, height = 0;
    if (platform::GetBackBufferTarget(device, &framebuffer, &width, &height) != 0) {
        g_videoError = "video needs the GL device";
        return D3DERR_INVALIDCALL;
    }
    if (settings.fps < 1 || settings.fps > 1000) {
        g_videoError = "the frame rate must be 1 to 1000";
        return E_FAIL;
    }
    g_videoError.clear();
    if (!g_video.pipe.Open(settings, width, height, &g_videoError)) return E_FAIL;

    g_video.running = true;
    g_video.device = device;
    g_video.framebuffer = framebuffer;
    g_video.width = width;
    g_video.height = height;
    g_video.frameBytes = size_t{width} * height * 4;
    g_video.added = 0;
    g_video.written = 0;
    glCreateBuffers(kRingDepth, g_video.buffers.data());
    for (GLuint buffer : g_video.buffers) {
        glNamedBufferStorage(buffer, static_cast<GLsizeiptr>(g_video.frameBytes), nullptr,
                             GL_MAP_READ_BIT | GL_CLIENT_STORAGE_BIT);
    }
    return S_OK;
}

HRESULT AddVideoFrame() {
    if (!g_video.running) return D3DERR_INVALIDCALL;
    unsigned framebuffer = 0;
    UINT width = 0, height = 0;
    platform::GetBackBufferTarget(g_video.device, &framebuffer, &width, &height);

    // The slot's previous frame goes out first.
    if (g_video.added - g_video.written >= kRingDepth && !WriteOldest()) {
        EndSession();
        return E_FAIL;
    }

    // Read without waiting: into the slot's buffer, fenced. The device's
    // bindings are given back as they were.
    int slot = static_cast<int>(g_video.added % kRingDepth);
    GLint readFramebuffer = 0, packBuffer = 0, packAlignment = 4;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
    glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &packBuffer);
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, g_video.framebuffer);
    glNamedFramebufferReadBuffer(g_video.framebuffer, GL_COLOR_ATTACHMENT0);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, g_video.buffers[slot]);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // Row 0 of the target is the image's top row: top row first, as it is.
    glReadPixels(0, 0, static_cast<GLsizei>(g_video.width), static_cast<GLsizei>(g_video.height),
                 GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    g_video.fences[slot] = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(packBuffer));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
    ++g_video.added;
    return S_OK;
}

HRESULT FinishVideo(long* frames) {
    if (frames != nullptr) *frames = 0;
    if (!g_video.running) return D3DERR_INVALIDCALL;
    unsigned framebuffer = 0;
    UINT width = 0, height = 0;
    platform::GetBackBufferTarget(g_video.device, &framebuffer, &width, &height);
    while (g_video.written < g_video.added) {
        if (!WriteOldest()) {
            EndSession();
            return E_FAIL;
        }
    }
    long written = g_video.written;
    bool closed = g_video.pipe.Close(&g_videoError);
    EndSession();
    if (!closed) return E_FAIL;
    if (frames != nullptr) *frames = written;
    return S_OK;
}

void AbandonVideo() {
    if (g_video.running) EndSession();
}

bool VideoRunning() { return g_video.running; }

long VideoFrameCount() { return g_video.running ? g_video.added : 0; }

const char* GetVideoErrorText() { return g_videoError.c_str(); }
