// Texture objects of the GL device.
//
// Implemented: [x] 2D, cube and volume textures with immutable storage and
//                  every mip level the image brings
//              [x] RGBA8, BGRA8 and RGBA32F uploads; DXT1 / DXT3 / DXT5 uploaded as
//                  they are where the driver offers S3TC (checked at start-up)
//              [x] a texture per sampler stage; the stages without one hold
//                  an opaque black 1 x 1 texture of each kind, which is what
//                  a Direct3D 9 stage without a texture reads
//              [x] sRGB reads of RGBA8 / BGRA8 textures: where the driver
//                  can skip the decode per sampler (GL_EXT_texture_sRGB_decode)
//                  they are stored as sRGB and each stage's sampler says
//                  whether it converts (D3DSAMP_SRGBTEXTURE); elsewhere the
//                  state is ignored
//                  (DXT textures too where the driver has sRGB S3TC formats)
// Not implemented: render targets, dynamic textures, locking, sRGB reads of
// float textures, DXT volumes (S3TC has none in GL: the file reader
// decodes those).
//
// Sampler states live on the device's GL sampler objects, one per stage,
// which override whatever a texture object would say; so the same states
// apply to the stand-ins and to real textures, in the vertex stage as well as
// the pixel stage (GL texture units are shared by both stages, and a sampler
// at binding N reads stage N).
#include "platform/gfx/gl_texture.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>

namespace platform {

namespace {

GLenum Target(TextureKind kind) {
    switch (kind) {
        case TextureKind::Cube: return GL_TEXTURE_CUBE_MAP;
        case TextureKind::Volume: return GL_TEXTURE_3D;
        default: return GL_TEXTURE_2D;
    }
}

// srgb8 / srgbDxt: store 8-bit / DXT textures as sRGB (read as stored
// unless a sampler asks for the conversion).
GLenum InternalFormat(TextureFormat format, bool srgb8, bool srgbDxt) {
    switch (format) {
        case TextureFormat::RGBA8:
        case TextureFormat::BGRA8: return srgb8 ? GL_SRGB8_ALPHA8 : GL_RGBA8;
        case TextureFormat::DXT1:
            return srgbDxt ? GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT1_EXT
                           : GL_COMPRESSED_RGBA_S3TC_DXT1_EXT;
        case TextureFormat::DXT3:
            return srgbDxt ? GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT3_EXT
                           : GL_COMPRESSED_RGBA_S3TC_DXT3_EXT;
        case TextureFormat::DXT5:
            return srgbDxt ? GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT5_EXT
                           : GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
        case TextureFormat::RGBA32F: return GL_RGBA32F;
        default: return GL_RGBA8;
    }
}

GLenum PixelOrder(TextureFormat format) {
    return format == TextureFormat::BGRA8 ? GL_BGRA : GL_RGBA;
}

GLint Limit(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

// Every level of every face of the image into the texture's storage.
void UploadLevels(GLuint name, const TextureImage& image, GLenum internal) {
    const GLenum order = PixelOrder(image.format);
    const bool compressed = IsCompressed(image.format);
    const GLenum type = image.format == TextureFormat::RGBA32F ? GL_FLOAT : GL_UNSIGNED_BYTE;
    // Rows are tightly packed whatever their width.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (uint32_t face = 0; face < image.faces; ++face) {
        for (uint32_t level = 0; level < image.levels; ++level) {
            const TextureLevel& sub = image.Level(face, level);
            const uint8_t* data = image.Data(face, level);
            const auto w = static_cast<GLsizei>(sub.width);
            const auto h = static_cast<GLsizei>(sub.height);
            const auto d = static_cast<GLsizei>(sub.depth);
            const auto size = static_cast<GLsizei>(sub.size);
            const auto l = static_cast<GLint>(level);
            const auto z = static_cast<GLint>(face);  // a cube map's faces are its layers
            switch (image.kind) {
                case TextureKind::Texture2D:
                    if (compressed) {
                        glCompressedTextureSubImage2D(name, l, 0, 0, w, h, internal, size, data);
                    } else {
                        glTextureSubImage2D(name, l, 0, 0, w, h, order, type, data);
                    }
                    break;
                case TextureKind::Cube:
                    if (compressed) {
                        glCompressedTextureSubImage3D(name, l, 0, 0, z, w, h, 1, internal, size,
                                                      data);
                    } else {
                        glTextureSubImage3D(name, l, 0, 0, z, w, h, 1, order, type, data);
                    }
                    break;
                case TextureKind::Volume:
                    glTextureSubImage3D(name, l, 0, 0, 0, w, h, d, order, type, data);
                    break;
            }
        }
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

}  // namespace

void GlTextures::Init() {
    s3tc_ = epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc");
    srgbDecode_ = epoxy_has_gl_extension("GL_EXT_texture_sRGB_decode");
    srgbDxt_ = srgbDecode_ && s3tc_ &&
               (epoxy_has_gl_extension("GL_EXT_texture_sRGB") ||
                epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc_srgb"));
    limits_.maxSize = static_cast<uint32_t>(std::max(Limit(GL_MAX_TEXTURE_SIZE), 1));
    limits_.maxCubeSize = static_cast<uint32_t>(std::max(Limit(GL_MAX_CUBE_MAP_TEXTURE_SIZE), 1));
    limits_.maxVolumeSize = static_cast<uint32_t>(std::max(Limit(GL_MAX_3D_TEXTURE_SIZE), 1));

    const uint8_t black[4] = {0, 0, 0, 255};
    glCreateTextures(GL_TEXTURE_2D, 1, &black_[static_cast<size_t>(TextureKind::Texture2D)]);
    glCreateTextures(GL_TEXTURE_CUBE_MAP, 1, &black_[static_cast<size_t>(TextureKind::Cube)]);
    glCreateTextures(GL_TEXTURE_3D, 1, &black_[static_cast<size_t>(TextureKind::Volume)]);
    GLuint flat = black_[static_cast<size_t>(TextureKind::Texture2D)];
    GLuint cube = black_[static_cast<size_t>(TextureKind::Cube)];
    GLuint volume = black_[static_cast<size_t>(TextureKind::Volume)];
    glTextureStorage2D(flat, 1, GL_RGBA8, 1, 1);
    glTextureSubImage2D(flat, 0, 0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, black);
    glTextureStorage3D(volume, 1, GL_RGBA8, 1, 1, 1);
    glTextureSubImage3D(volume, 0, 0, 0, 0, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, black);
    glTextureStorage2D(cube, 1, GL_RGBA8, 1, 1);
    for (GLint face = 0; face < 6; ++face) {
        glTextureSubImage3D(cube, 0, 0, 0, face, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, black);
    }
    for (GLuint unit = 0; unit < D3D_SAMPLER_STAGES; ++unit) {
        for (GLuint texture : black_) glBindTextureUnit(unit, texture);
    }
    bound_.fill(0);
    textures_.reserve(16);
}

void GlTextures::Shutdown() {
    for (const Texture& texture : textures_) glDeleteTextures(1, &texture.name);
    textures_.clear();
    glDeleteTextures(static_cast<GLsizei>(black_.size()), black_.data());
    black_.fill(0);
    bound_.fill(0);
}

HRESULT GlTextures::Create(const TextureImage& image, UINT* texture, std::string* error) {
    std::string local;
    if (error == nullptr) error = &local;
    error->clear();
    if (texture == nullptr) return D3DERR_INVALIDCALL;
    *texture = 0;
    if (!ValidateTextureImage(image, limits_, error)) return D3DERR_INVALIDCALL;
    if (IsCompressed(image.format) && !s3tc_) {
        *error = std::string(TextureFormatName(image.format)) +
                 " needs S3TC texture compression (GL_EXT_texture_compression_s3tc), which this "
                 "OpenGL driver does not offer";
        return D3DERR_NOTAVAILABLE;
    }
    if (IsCompressed(image.format) && image.kind == TextureKind::Volume) {
        *error = "OpenGL has no S3TC volume textures; decode the slices first";
        return D3DERR_INVALIDCALL;
    }

    while (glGetError() != GL_NO_ERROR) {
    }
    const GLenum internal = InternalFormat(image.format, srgbDecode_, srgbDxt_);
    const auto levels = static_cast<GLsizei>(image.levels);
    const auto width = static_cast<GLsizei>(image.width);
    const auto height = static_cast<GLsizei>(image.height);
    GLuint name = 0;
    glCreateTextures(Target(image.kind), 1, &name);
    if (image.kind == TextureKind::Volume) {
        const auto depth = static_cast<GLsizei>(image.depth);
        glTextureStorage3D(name, levels, internal, width, height, depth);
    } else {
        glTextureStorage2D(name, levels, internal, width, height);
    }
    // Read as stored wherever no sampler object of the device says otherwise.
    if (internal != InternalFormat(image.format, false, false)) {
        glTextureParameteri(name, GL_TEXTURE_SRGB_DECODE_EXT, GL_SKIP_DECODE_EXT);
    }
    UploadLevels(name, image, internal);
    GLenum failure = glGetError();
    if (failure != GL_NO_ERROR) {
        glDeleteTextures(1, &name);
        char text[96];
        std::snprintf(text, sizeof text, "the OpenGL driver refused the texture (error 0x%04x)",
                      failure);
        *error = text;
        return failure == GL_OUT_OF_MEMORY ? E_OUTOFMEMORY : E_FAIL;
    }
    textures_.push_back({name, image.kind});
    *texture = name;
    return S_OK;
}

GlTextures::Texture* GlTextures::Find(UINT texture) {
    if (texture == 0) return nullptr;
    for (Texture& t : textures_) {
        if (t.name == texture) return &t;
    }
    return nullptr;
}

void GlTextures::BindStandIn(DWORD stage, TextureKind kind) {
    glBindTextureUnit(stage, black_[static_cast<size_t>(kind)]);
}

HRESULT GlTextures::Bind(DWORD stage, UINT texture) {
    if (stage >= D3D_SAMPLER_STAGES) return D3DERR_INVALIDCALL;
    Texture* wanted = Find(texture);
    if (texture != 0 && wanted == nullptr) return D3DERR_INVALIDCALL;
    if (bound_[stage] == texture) return S_OK;
    // A unit holds one texture per kind: the one bound before goes back to
    // its stand-in, so a shader sampling another kind reads black.
    if (const Texture* old = Find(bound_[stage])) BindStandIn(stage, old->kind);
    if (wanted != nullptr) glBindTextureUnit(stage, wanted->name);
    bound_[stage] = texture;
    return S_OK;
}

HRESULT GlTextures::Bound(DWORD stage, UINT* texture) const {
    if (stage >= D3D_SAMPLER_STAGES || texture == nullptr) return D3DERR_INVALIDCALL;
    *texture = bound_[stage];
    return S_OK;
}

void GlTextures::Delete(UINT texture) {
    Texture* t = Find(texture);
    if (t == nullptr) return;
    for (DWORD stage = 0; stage < D3D_SAMPLER_STAGES; ++stage) {
        if (bound_[stage] == texture) {
            BindStandIn(stage, t->kind);
            bound_[stage] = 0;
        }
    }
    glDeleteTextures(1, &t->name);
    textures_.erase(textures_.begin() + (t - textures_.data()));
}

}  // namespace platform
