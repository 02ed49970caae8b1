// The GL device: render and sampler states as GL state (see gl_device.cpp).
#include "platform/gfx/gl_device_class.h"

namespace gldevice {

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
        case D3DBLEND_BLENDFACTOR: return GL_CONSTANT_COLOR;
        case D3DBLEND_INVBLENDFACTOR: return GL_ONE_MINUS_CONSTANT_COLOR;
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

GLenum StencilOp(DWORD op) {
    switch (op) {
        case D3DSTENCILOP_ZERO: return GL_ZERO;
        case D3DSTENCILOP_REPLACE: return GL_REPLACE;
        case D3DSTENCILOP_INCRSAT: return GL_INCR;
        case D3DSTENCILOP_DECRSAT: return GL_DECR;
        case D3DSTENCILOP_INVERT: return GL_INVERT;
        case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
        case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
        default: return GL_KEEP;
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



HRESULT GlDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (state >= kRenderStateCount) return D3DERR_INVALIDCALL;
    // The states "fx_output" holds cost an upload at the next draw only
    // when they change.
    const bool output = state == D3DRS_ALPHATESTENABLE || state == D3DRS_ALPHAFUNC ||
                        state == D3DRS_ALPHAREF || state == D3DRS_SRGBWRITEENABLE;
    if (output && renderStates_[state] != value) ++outputVersion_;
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
        case D3DRS_BLENDOP:
        case D3DRS_SEPARATEALPHABLENDENABLE:
        case D3DRS_SRCBLENDALPHA:
        case D3DRS_DESTBLENDALPHA:
        case D3DRS_BLENDOPALPHA:
            ApplyBlend();
            break;
        case D3DRS_BLENDFACTOR:
            glBlendColor(((value >> 16) & 0xFF) / 255.0f, ((value >> 8) & 0xFF) / 255.0f,
                         (value & 0xFF) / 255.0f, ((value >> 24) & 0xFF) / 255.0f);
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
        case D3DRS_COLORWRITEENABLE:
            ApplyColorMask();
            break;
        case D3DRS_ALPHATESTENABLE:
        case D3DRS_ALPHAFUNC:
        case D3DRS_ALPHAREF:
        case D3DRS_SRGBWRITEENABLE:
            break;  // the programs' "fx_output", at their next draw
        case D3DRS_STENCILENABLE:
        case D3DRS_STENCILFAIL:
        case D3DRS_STENCILZFAIL:
        case D3DRS_STENCILPASS:
        case D3DRS_STENCILFUNC:
        case D3DRS_STENCILREF:
        case D3DRS_STENCILMASK:
        case D3DRS_STENCILWRITEMASK:
        case D3DRS_TWOSIDEDSTENCILMODE:
        case D3DRS_CCW_STENCILFAIL:
        case D3DRS_CCW_STENCILZFAIL:
        case D3DRS_CCW_STENCILPASS:
        case D3DRS_CCW_STENCILFUNC:
            ApplyStencil();
            break;
        case D3DRS_DEPTHBIAS:
        case D3DRS_SLOPESCALEDEPTHBIAS:
            ApplyDepthBias();
            break;
        case D3DRS_SCISSORTESTENABLE:
            // The scissor rect is the whole target (the program cannot set
            // another): the test keeps every pixel.
            break;
        default:
            // Kept for GetRenderState; nothing in GL to change.
            break;
    }
}

// The colour's factors and operation, and the alpha's: the same unless
// SEPARATEALPHABLENDENABLE gives the alpha its own. BOTHSRCALPHA and
// BOTHINVSRCALPHA as the source set both factors of their pair.
void GlDevice::ApplyBlend() {
    const auto& rs = renderStates_;
    auto factors = [](DWORD src, DWORD dest, GLenum* s, GLenum* d) {
        if (src == D3DBLEND_BOTHSRCALPHA || src == D3DBLEND_BOTHINVSRCALPHA) {
            const bool inverse = src == D3DBLEND_BOTHINVSRCALPHA;
            *s = inverse ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
            *d = inverse ? GL_SRC_ALPHA : GL_ONE_MINUS_SRC_ALPHA;
            return;
        }
        *s = BlendFactor(src);
        *d = BlendFactor(dest);
    };
    const bool separate = rs[D3DRS_SEPARATEALPHABLENDENABLE] != 0;
    GLenum srcColor = GL_ONE, destColor = GL_ZERO, srcAlpha = GL_ONE, destAlpha = GL_ZERO;
    factors(rs[D3DRS_SRCBLEND], rs[D3DRS_DESTBLEND], &srcColor, &destColor);
    if (separate) {
        factors(rs[D3DRS_SRCBLENDALPHA], rs[D3DRS_DESTBLENDALPHA], &srcAlpha, &destAlpha);
    } else {
        srcAlpha = srcColor;
        destAlpha = destColor;
    }
    glBlendFuncSeparate(srcColor, destColor, srcAlpha, destAlpha);
    glBlendEquationSeparate(BlendEquation(rs[D3DRS_BLENDOP]),
                            BlendEquation(separate ? rs[D3DRS_BLENDOPALPHA] : rs[D3DRS_BLENDOP]));
}

// Front faces (GL_FRONT) are the ones clockwise on screen; with
// TWOSIDEDSTENCILMODE the others take the CCW_ states. The reference and
// the masks are 8-bit, as the stencil buffer is.
void GlDevice::ApplyStencil() {
    const auto& rs = renderStates_;
    if (rs[D3DRS_STENCILENABLE] == 0) {
        glDisable(GL_STENCIL_TEST);
        glStencilMask(0);
        return;
    }
    glEnable(GL_STENCIL_TEST);
    const bool twoSided = rs[D3DRS_TWOSIDEDSTENCILMODE] != 0;
    const auto ref = static_cast<GLint>(rs[D3DRS_STENCILREF] & 0xFF);
    const GLuint mask = rs[D3DRS_STENCILMASK] & 0xFF;
    auto side = [&](GLenum face, D3DRENDERSTATETYPE func, D3DRENDERSTATETYPE fail,
                    D3DRENDERSTATETYPE zfail, D3DRENDERSTATETYPE pass) {
        glStencilFuncSeparate(face, CompareFunc(rs[func]), ref, mask);
        glStencilOpSeparate(face, StencilOp(rs[fail]), StencilOp(rs[zfail]), StencilOp(rs[pass]));
    };
    side(GL_FRONT, D3DRS_STENCILFUNC, D3DRS_STENCILFAIL, D3DRS_STENCILZFAIL, D3DRS_STENCILPASS);
    if (twoSided) {
        side(GL_BACK, D3DRS_CCW_STENCILFUNC, D3DRS_CCW_STENCILFAIL, D3DRS_CCW_STENCILZFAIL,
             D3DRS_CCW_STENCILPASS);
    } else {
        side(GL_BACK, D3DRS_STENCILFUNC, D3DRS_STENCILFAIL, D3DRS_STENCILZFAIL,
             D3DRS_STENCILPASS);
    }
    glStencilMask(rs[D3DRS_STENCILWRITEMASK] & 0xFF);
}

// DEPTHBIAS is in depth units, GL's offset in steps of the 24-bit depth
// buffer; SLOPESCALEDEPTHBIAS scales the face's depth slope in both.
void GlDevice::ApplyDepthBias() {
    const float slope = FloatBits(renderStates_[D3DRS_SLOPESCALEDEPTHBIAS]);
    const float bias = FloatBits(renderStates_[D3DRS_DEPTHBIAS]);
    const bool on = slope != 0.0f || bias != 0.0f;
    for (GLenum mode : {GL_POLYGON_OFFSET_FILL, GL_POLYGON_OFFSET_LINE, GL_POLYGON_OFFSET_POINT}) {
        if (on) glEnable(mode); else glDisable(mode);
    }
    glPolygonOffset(slope, bias * 16777216.0f);
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
        case D3DSAMP_MAXMIPLEVEL:
            ApplyMipRange(sampler);
            ApplyAnisotropy(sampler);
            break;
        case D3DSAMP_MIPMAPLODBIAS:
            glSamplerParameterf(name, GL_TEXTURE_LOD_BIAS, FloatBits(states[type]));
            break;
        case D3DSAMP_MAXANISOTROPY:
            ApplyAnisotropy(sampler);
            break;
        case D3DSAMP_SRGBTEXTURE:
            // 8-bit textures are stored as sRGB and read as they are unless
            // the stage asks for the conversion (gl_texture.cpp).
            if (textures_.SrgbDecode()) {
                glSamplerParameteri(name, GL_TEXTURE_SRGB_DECODE_EXT,
                                    states[type] != 0 ? GL_DECODE_EXT : GL_SKIP_DECODE_EXT);
            }
            break;
        default:
            break;
    }
}

// MaxMipLevel is the largest level a stage reads: the LOD starts there.
// Without mipmapping that level is the texture, so the stage reads it alone
// (a GL sampler has no base level: the LOD is held at it instead).
void GlDevice::ApplyMipRange(DWORD sampler) {
    const GLuint name = samplers_[sampler];
    const auto& states = samplerStates_[sampler];
    const DWORD top = states[D3DSAMP_MAXMIPLEVEL];
    const bool held = states[D3DSAMP_MIPFILTER] == D3DTEXF_NONE && top > 0;
    GLint filter = MinFilter(states[D3DSAMP_MINFILTER], states[D3DSAMP_MIPFILTER]);
    if (held) filter = IsLinear(states[D3DSAMP_MINFILTER]) ? GL_LINEAR_MIPMAP_NEAREST
                                                           : GL_NEAREST_MIPMAP_NEAREST;
    glSamplerParameteri(name, GL_TEXTURE_MIN_FILTER, filter);
    glSamplerParameterf(name, GL_TEXTURE_MIN_LOD, static_cast<float>(top));
    glSamplerParameterf(name, GL_TEXTURE_MAX_LOD, held ? static_cast<float>(top) : 1000.0f);
}

// MaxAnisotropy counts only while the stage's MinFilter is anisotropic.
void GlDevice::ApplyAnisotropy(DWORD sampler) {
    if (maxAnisotropy_ <= 1.0f) return;
    const auto& states = samplerStates_[sampler];
    // Only minification is anisotropic: an anisotropic MagFilter magnifies
    // as Linear does (GL drivers may filter magnified texels anisotropically
    // too, which Direct3D 9 does not).
    bool anisotropic = states[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC;
    float amount = anisotropic ? static_cast<float>(states[D3DSAMP_MAXANISOTROPY]) : 1.0f;
    glSamplerParameterf(samplers_[sampler], GL_TEXTURE_MAX_ANISOTROPY,
                        std::clamp(amount, 1.0f, maxAnisotropy_));
}

}  // namespace gldevice
