// The GL device: reading targets back, the float target for tests and tools
// (see gl_device.cpp).
#include "platform/gfx/gl_device_class.h"

namespace gldevice {

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
    glDeleteRenderbuffers(1, &floatDepthStencilBuffer_);
    floatFramebuffer_ = 0;
    floatColorBuffer_ = 0;
    floatDepthStencilBuffer_ = 0;
    GLuint target = framebuffer_;
    if (width != 0) {
        glCreateRenderbuffers(1, &floatColorBuffer_);
        glNamedRenderbufferStorage(floatColorBuffer_, GL_RGBA32F, static_cast<GLsizei>(width),
                                   static_cast<GLsizei>(height));
        // A depth-stencil buffer as the back buffer's, so that depth and
        // stencil states draw alike on both.
        glCreateRenderbuffers(1, &floatDepthStencilBuffer_);
        glNamedRenderbufferStorage(floatDepthStencilBuffer_, GL_DEPTH24_STENCIL8,
                                   static_cast<GLsizei>(width), static_cast<GLsizei>(height));
        glCreateFramebuffers(1, &floatFramebuffer_);
        glNamedFramebufferRenderbuffer(floatFramebuffer_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                       floatColorBuffer_);
        glNamedFramebufferRenderbuffer(floatFramebuffer_, GL_DEPTH_STENCIL_ATTACHMENT,
                                       GL_RENDERBUFFER, floatDepthStencilBuffer_);
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
    targetKeepsAlpha_ = width != 0 || keepsAlpha_ || alphaFree_;
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

}  // namespace gldevice
