// The graphics device over OpenGL 4.5 core (libepoxy), on an SDL window.
//
// Implemented: [x] Direct3DCreate9 / CreateDevice: a GL 4.5 core context on the
//                  window, an offscreen back buffer (RGBA8 + depth24-stencil8;
//                  for any format but A8R8G8B8 it is RGB8, or where the driver
//                  cannot render into that its alpha is held at 1, so that
//                  blending reads destination alpha as 1), swap interval from
//                  PresentationInterval
//              [x] render states: blend enable / factors / op, cull mode, z
//                  enable / write / compare, fill mode, stencil (both sides),
//                  depth bias; the alpha test and sRGB writes through the
//                  programs' "fx_output"; scissor test (the rect is the whole
//                  target); sampler states on GL
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
#include "platform/gfx/gl_device_class.h"

namespace gldevice {

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

    if (!CreateBackBuffer(width, height, keepsAlpha)) return false;
    CreateVertexLayout();
    // The program binds no texture, but an effect may sample one: every
    // stage starts with an opaque black stand-in of each kind.
    textures_.Init();
    SetDefaultStates();
    programs_.reserve(16);
    return true;
}

bool GlDevice::CreateBackBuffer(UINT width, UINT height, bool keepsAlpha) {
    // A back buffer without alpha (X8R8G8B8) is stored without one where the
    // driver renders into GL_RGB8: blending reads its alpha as 1 and a
    // read-back gives 255, and no draw needs an alpha write mask (a mask
    // costs llvmpipe about a third of the frame).
    glCreateRenderbuffers(1, &colorBuffer_);
    glNamedRenderbufferStorage(colorBuffer_, keepsAlpha ? GL_RGBA8 : GL_RGB8,
                               static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    glCreateRenderbuffers(1, &depthStencilBuffer_);
    glNamedRenderbufferStorage(depthStencilBuffer_, GL_DEPTH24_STENCIL8, static_cast<GLsizei>(width),
                               static_cast<GLsizei>(height));
    glCreateFramebuffers(1, &framebuffer_);
    glNamedFramebufferRenderbuffer(framebuffer_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer_);
    glNamedFramebufferRenderbuffer(framebuffer_, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                   depthStencilBuffer_);
    GLenum status = glCheckNamedFramebufferStatus(framebuffer_, GL_FRAMEBUFFER);
    alphaFree_ = !keepsAlpha && status == GL_FRAMEBUFFER_COMPLETE;
    if (!keepsAlpha && !alphaFree_) {  // no GL_RGB8 target: RGBA8 with alpha kept at 1
        glNamedRenderbufferStorage(colorBuffer_, GL_RGBA8, static_cast<GLsizei>(width),
                                   static_cast<GLsizei>(height));
        status = glCheckNamedFramebufferStatus(framebuffer_, GL_FRAMEBUFFER);
    }
    targetKeepsAlpha_ = keepsAlpha || alphaFree_;
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        char text[96];
        std::snprintf(text, sizeof text, "CreateDevice: back buffer incomplete (status 0x%04x)", status);
        platform::SetPlatformErrorText(text);
        return false;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));

    // A back buffer without alpha stored as RGBA8 has an alpha channel that
    // blending would read: set it to 1 once and never write it again (Clear
    // and draws alike).
    if (!targetKeepsAlpha_) {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    }
    return true;
}

void GlDevice::CreateVertexLayout() {
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
}

void GlDevice::SetDefaultStates() {
    // The original device's defaults, with an automatic depth-stencil buffer.
    const std::pair<D3DRENDERSTATETYPE, DWORD> defaults[] = {
        {D3DRS_ZENABLE, D3DZB_TRUE},       {D3DRS_FILLMODE, D3DFILL_SOLID},
        {D3DRS_ZWRITEENABLE, TRUE},        {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ZERO},  {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},   {D3DRS_ALPHABLENDENABLE, FALSE},
        {D3DRS_BLENDOP, D3DBLENDOP_ADD},   {D3DRS_COLORWRITEENABLE, 0xF},
        {D3DRS_BLENDFACTOR, 0xFFFFFFFF},   {D3DRS_SEPARATEALPHABLENDENABLE, FALSE},
        {D3DRS_SRCBLENDALPHA, D3DBLEND_ONE}, {D3DRS_DESTBLENDALPHA, D3DBLEND_ZERO},
        {D3DRS_BLENDOPALPHA, D3DBLENDOP_ADD},
        {D3DRS_ALPHATESTENABLE, FALSE},    {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
        {D3DRS_ALPHAREF, 0},               {D3DRS_SRGBWRITEENABLE, FALSE},
        {D3DRS_STENCILENABLE, FALSE},      {D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP}, {D3DRS_STENCILPASS, D3DSTENCILOP_KEEP},
        {D3DRS_STENCILFUNC, D3DCMP_ALWAYS}, {D3DRS_STENCILREF, 0},
        {D3DRS_STENCILMASK, 0xFFFFFFFF},   {D3DRS_STENCILWRITEMASK, 0xFFFFFFFF},
        {D3DRS_TWOSIDEDSTENCILMODE, FALSE}, {D3DRS_CCW_STENCILFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_CCW_STENCILZFAIL, D3DSTENCILOP_KEEP}, {D3DRS_CCW_STENCILPASS, D3DSTENCILOP_KEEP},
        {D3DRS_CCW_STENCILFUNC, D3DCMP_ALWAYS}, {D3DRS_SCISSORTESTENABLE, FALSE},
        {D3DRS_DEPTHBIAS, 0},              {D3DRS_SLOPESCALEDEPTHBIAS, 0},
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
        SetSamplerState(sampler, D3DSAMP_SRGBTEXTURE, 0);
    }
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
    glDeleteRenderbuffers(1, &floatDepthStencilBuffer_);
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
    glStencilMask(0xFF);
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
    ApplyStencil();
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
        if (overlay_ != nullptr) overlay_(overlayContext_, drawableWidth, drawableHeight);
        SDL_GL_SwapWindow(window_);
        glBindFramebuffer(GL_FRAMEBUFFER, floatFramebuffer_ != 0 ? floatFramebuffer_ : framebuffer_);
    }
    return S_OK;
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
    if (program.outputLocation >= 0 && program.outputVersion != outputVersion_) {
        const auto& rs = renderStates_;
        const DWORD func = rs[D3DRS_ALPHATESTENABLE] != 0 ? rs[D3DRS_ALPHAFUNC] : D3DCMP_ALWAYS;
        glProgramUniform4f(program.id, program.outputLocation,
                           static_cast<float>(func >= D3DCMP_NEVER && func <= D3DCMP_ALWAYS
                                                  ? func : D3DCMP_ALWAYS),
                           static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFF),
                           rs[D3DRS_SRGBWRITEENABLE] != 0 ? 1.0f : 0.0f, 0.0f);
        program.outputVersion = outputVersion_;
    }
    glDrawArrays(GL_TRIANGLES, static_cast<GLint>(startVertex), static_cast<GLsizei>(vertexCount));
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

}  // namespace gldevice

using gldevice::GlDevice;
using gldevice::GlDirect3D;

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

HRESULT GetBackBufferTarget(IDirect3DDevice9* device, unsigned* framebuffer, UINT* width,
                            UINT* height) {
    auto* glDevice = dynamic_cast<GlDevice*>(device);
    if (glDevice == nullptr || framebuffer == nullptr || width == nullptr || height == nullptr) {
        return E_INVALIDARG;
    }
    glDevice->BackBufferTarget(framebuffer, width, height);
    return S_OK;
}

HRESULT SetPresentOverlay(IDirect3DDevice9* device, PresentOverlay overlay, void* context) {
    auto* glDevice = dynamic_cast<GlDevice*>(device);
    if (glDevice == nullptr) return E_INVALIDARG;
    glDevice->SetOverlay(overlay, context);
    return S_OK;
}

void SetLinkDelayForTesting(int ms) { gldevice::g_linkDelayMs = ms; }

}  // namespace platform
