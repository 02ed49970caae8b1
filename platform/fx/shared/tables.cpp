// The tables of tables.h.
#include "platform/fx/shared/tables.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <system_error>
#include <utility>

#include "platform/fx/shared/tokenizer.h"

namespace fx {
namespace {

constexpr NamedValue kBoolValues[] = {{"true", 1}, {"false", 0}};
constexpr NamedValue kBlendValues[] = {
    {"zero", D3DBLEND_ZERO},           {"one", D3DBLEND_ONE},
    {"srccolor", D3DBLEND_SRCCOLOR},   {"invsrccolor", D3DBLEND_INVSRCCOLOR},
    {"srcalpha", D3DBLEND_SRCALPHA},   {"invsrcalpha", D3DBLEND_INVSRCALPHA},
    {"destalpha", D3DBLEND_DESTALPHA}, {"invdestalpha", D3DBLEND_INVDESTALPHA},
    {"destcolor", D3DBLEND_DESTCOLOR}, {"invdestcolor", D3DBLEND_INVDESTCOLOR},
    {"srcalphasat", D3DBLEND_SRCALPHASAT}, {"bothsrcalpha", D3DBLEND_BOTHSRCALPHA},
    {"bothinvsrcalpha", D3DBLEND_BOTHINVSRCALPHA}, {"blendfactor", D3DBLEND_BLENDFACTOR},
    {"invblendfactor", D3DBLEND_INVBLENDFACTOR},
};
constexpr NamedValue kBlendOpValues[] = {
    {"add", D3DBLENDOP_ADD}, {"subtract", D3DBLENDOP_SUBTRACT},
    {"revsubtract", D3DBLENDOP_REVSUBTRACT}, {"min", D3DBLENDOP_MIN}, {"max", D3DBLENDOP_MAX},
};
constexpr NamedValue kCullValues[] = {
    {"none", D3DCULL_NONE}, {"cw", D3DCULL_CW}, {"ccw", D3DCULL_CCW}};
constexpr NamedValue kFillValues[] = {
    {"point", D3DFILL_POINT}, {"wireframe", D3DFILL_WIREFRAME}, {"solid", D3DFILL_SOLID}};
constexpr NamedValue kCmpValues[] = {
    {"never", D3DCMP_NEVER},     {"less", D3DCMP_LESS},
    {"equal", D3DCMP_EQUAL},     {"lessequal", D3DCMP_LESSEQUAL},
    {"greater", D3DCMP_GREATER}, {"notequal", D3DCMP_NOTEQUAL},
    {"greaterequal", D3DCMP_GREATEREQUAL}, {"always", D3DCMP_ALWAYS},
};
constexpr NamedValue kStencilOpValues[] = {
    {"keep", D3DSTENCILOP_KEEP},       {"zero", D3DSTENCILOP_ZERO},
    {"replace", D3DSTENCILOP_REPLACE}, {"incrsat", D3DSTENCILOP_INCRSAT},
    {"decrsat", D3DSTENCILOP_DECRSAT}, {"invert", D3DSTENCILOP_INVERT},
    {"incr", D3DSTENCILOP_INCR},       {"decr", D3DSTENCILOP_DECR},
};
constexpr NamedValue kFilterValues[] = {
    {"none", D3DTEXF_NONE}, {"point", D3DTEXF_POINT}, {"linear", D3DTEXF_LINEAR},
    {"anisotropic", D3DTEXF_ANISOTROPIC}};
constexpr NamedValue kAddressValues[] = {
    {"wrap", D3DTADDRESS_WRAP}, {"mirror", D3DTADDRESS_MIRROR}, {"clamp", D3DTADDRESS_CLAMP},
    {"border", D3DTADDRESS_BORDER}, {"mirroronce", D3DTADDRESS_MIRRORONCE},
    {"mirror_once", D3DTADDRESS_MIRRORONCE}};  // as SamplerState blocks spell it

constexpr NamedValue kColorWriteValues[] = {
    {"red", D3DCOLORWRITEENABLE_RED}, {"green", D3DCOLORWRITEENABLE_GREEN},
    {"blue", D3DCOLORWRITEENABLE_BLUE}, {"alpha", D3DCOLORWRITEENABLE_ALPHA}};

template <size_t N>
constexpr ValueSet Values(const NamedValue (&v)[N]) {
    return {v, N};
}

const RenderStateInfo kRenderStates[] = {
    {"alphablendenable", D3DRS_ALPHABLENDENABLE, Values(kBoolValues)},
    {"srcblend", D3DRS_SRCBLEND, Values(kBlendValues)},
    {"destblend", D3DRS_DESTBLEND, Values(kBlendValues)},
    {"blendop", D3DRS_BLENDOP, Values(kBlendOpValues)},
    {"cullmode", D3DRS_CULLMODE, Values(kCullValues)},
    {"zenable", D3DRS_ZENABLE, Values(kBoolValues)},
    {"zwriteenable", D3DRS_ZWRITEENABLE, Values(kBoolValues)},
    {"fillmode", D3DRS_FILLMODE, Values(kFillValues)},
    {"zfunc", D3DRS_ZFUNC, Values(kCmpValues)},
    {"colorwriteenable", D3DRS_COLORWRITEENABLE, Values(kColorWriteValues)},
    {"separatealphablendenable", D3DRS_SEPARATEALPHABLENDENABLE, Values(kBoolValues)},
    {"srcblendalpha", D3DRS_SRCBLENDALPHA, Values(kBlendValues)},
    {"destblendalpha", D3DRS_DESTBLENDALPHA, Values(kBlendValues)},
    {"blendopalpha", D3DRS_BLENDOPALPHA, Values(kBlendOpValues)},
    {"blendfactor", D3DRS_BLENDFACTOR, {nullptr, 0}, StateNumber::Unsigned},
    {"alphatestenable", D3DRS_ALPHATESTENABLE, Values(kBoolValues)},
    {"alphafunc", D3DRS_ALPHAFUNC, Values(kCmpValues)},
    {"alpharef", D3DRS_ALPHAREF, {nullptr, 0}, StateNumber::Unsigned},
    {"srgbwriteenable", D3DRS_SRGBWRITEENABLE, Values(kBoolValues)},
    {"scissortestenable", D3DRS_SCISSORTESTENABLE, Values(kBoolValues)},
    {"depthbias", D3DRS_DEPTHBIAS, {nullptr, 0}, StateNumber::Float},
    {"slopescaledepthbias", D3DRS_SLOPESCALEDEPTHBIAS, {nullptr, 0}, StateNumber::Float},
    {"stencilenable", D3DRS_STENCILENABLE, Values(kBoolValues)},
    {"stencilfail", D3DRS_STENCILFAIL, Values(kStencilOpValues)},
    {"stencilzfail", D3DRS_STENCILZFAIL, Values(kStencilOpValues)},
    {"stencilpass", D3DRS_STENCILPASS, Values(kStencilOpValues)},
    {"stencilfunc", D3DRS_STENCILFUNC, Values(kCmpValues)},
    {"stencilref", D3DRS_STENCILREF, {nullptr, 0}, StateNumber::Unsigned},
    {"stencilmask", D3DRS_STENCILMASK, {nullptr, 0}, StateNumber::Unsigned},
    {"stencilwritemask", D3DRS_STENCILWRITEMASK, {nullptr, 0}, StateNumber::Unsigned},
    {"twosidedstencilmode", D3DRS_TWOSIDEDSTENCILMODE, Values(kBoolValues)},
    {"ccw_stencilfail", D3DRS_CCW_STENCILFAIL, Values(kStencilOpValues)},
    {"ccw_stencilzfail", D3DRS_CCW_STENCILZFAIL, Values(kStencilOpValues)},
    {"ccw_stencilpass", D3DRS_CCW_STENCILPASS, Values(kStencilOpValues)},
    {"ccw_stencilfunc", D3DRS_CCW_STENCILFUNC, Values(kCmpValues)},
};

const SamplerStateInfo kSamplerStates[] = {
    {"addressu", D3DSAMP_ADDRESSU, Values(kAddressValues)},
    {"addressv", D3DSAMP_ADDRESSV, Values(kAddressValues)},
    {"addressw", D3DSAMP_ADDRESSW, Values(kAddressValues)},
    {"minfilter", D3DSAMP_MINFILTER, Values(kFilterValues)},
    {"magfilter", D3DSAMP_MAGFILTER, Values(kFilterValues)},
    {"mipfilter", D3DSAMP_MIPFILTER, Values(kFilterValues)},
    {"mipmaplodbias", D3DSAMP_MIPMAPLODBIAS, {nullptr, 0}, StateNumber::Float},
    {"miplodbias", D3DSAMP_MIPMAPLODBIAS, {nullptr, 0}, StateNumber::Float},
    {"maxmiplevel", D3DSAMP_MAXMIPLEVEL, {nullptr, 0}, StateNumber::Unsigned},
    {"maxanisotropy", D3DSAMP_MAXANISOTROPY, {nullptr, 0}, StateNumber::Unsigned},
    {"srgbtexture", D3DSAMP_SRGBTEXTURE, Values(kBoolValues)},
};

// Every state name the effect framework takes in a pass or a sampler_state
// block (render, light, material, transform, texture stage, sampler and
// shader states), lower case. The device applies those of kRenderStates and
// kSamplerStates; the others are said to be ignored, and a name not here
// is said to be unknown.
constexpr const char* kEffectStateNames[] = {
    // render states
    "zenable", "fillmode", "shademode", "zwriteenable", "alphatestenable", "lastpixel",
    "srcblend", "destblend", "cullmode", "zfunc", "alpharef", "alphafunc", "ditherenable",
    "alphablendenable", "fogenable", "specularenable", "fogcolor", "fogtablemode", "fogstart",
    "fogend", "fogdensity", "rangefogenable", "stencilenable", "stencilfail", "stencilzfail",
    "stencilpass", "stencilfunc", "stencilref", "stencilmask", "stencilwritemask",
    "texturefactor", "wrap0", "wrap1", "wrap2", "wrap3", "wrap4", "wrap5", "wrap6", "wrap7",
    "wrap8", "wrap9", "wrap10", "wrap11", "wrap12", "wrap13", "wrap14", "wrap15", "clipping",
    "lighting", "ambient", "fogvertexmode", "colorvertex", "localviewer", "normalizenormals",
    "diffusematerialsource", "specularmaterialsource", "ambientmaterialsource",
    "emissivematerialsource", "vertexblend", "clipplaneenable", "pointsize", "pointsize_min",
    "pointspriteenable", "pointscaleenable", "pointscale_a", "pointscale_b", "pointscale_c",
    "multisampleantialias", "multisamplemask", "patchedgestyle", "debugmonitortoken",
    "pointsize_max", "indexedvertexblendenable", "colorwriteenable", "tweenfactor", "blendop",
    "positiondegree", "normaldegree", "scissortestenable", "slopescaledepthbias",
    "antialiasedlineenable", "mintessellationlevel", "maxtessellationlevel",
    "adaptivetess_x", "adaptivetess_y", "adaptivetess_z", "adaptivetess_w",
    "enableadaptivetessellation", "twosidedstencilmode", "ccw_stencilfail",
    "ccw_stencilzfail", "ccw_stencilpass", "ccw_stencilfunc", "colorwriteenable1",
    "colorwriteenable2", "colorwriteenable3", "blendfactor", "srgbwriteenable", "depthbias",
    "separatealphablendenable", "srcblendalpha", "destblendalpha", "blendopalpha",
    // lights, materials, transforms, clip planes
    "lighttype", "lightdiffuse", "lightspecular", "lightambient", "lightposition",
    "lightdirection", "lightrange", "lightfalloff", "lightattenuation0", "lightattenuation1",
    "lightattenuation2", "lighttheta", "lightphi", "lightenable", "materialdiffuse",
    "materialambient", "materialspecular", "materialemissive", "materialpower",
    "worldtransform", "viewtransform", "projectiontransform", "texturetransform", "clipplane",
    // texture stages
    "colorop", "colorarg0", "colorarg1", "colorarg2", "alphaop", "alphaarg0", "alphaarg1",
    "alphaarg2", "resultarg", "bumpenvmat00", "bumpenvmat01", "bumpenvmat10", "bumpenvmat11",
    "texcoordindex", "bumpenvlscale", "bumpenvloffset", "texturetransformflags", "constant",
    "texture",
    // samplers
    "sampler", "addressu", "addressv", "addressw", "bordercolor", "magfilter", "minfilter",
    "mipfilter", "mipmaplodbias", "maxmiplevel", "maxanisotropy", "srgbtexture",
    "elementindex", "dmapoffset",
    // shaders and their constants
    "vertexshader", "pixelshader", "vertexshaderconstant", "vertexshaderconstantb",
    "vertexshaderconstantf", "vertexshaderconstanti", "vertexshaderconstant1",
    "vertexshaderconstant2", "vertexshaderconstant3", "vertexshaderconstant4",
    "pixelshaderconstant", "pixelshaderconstantb", "pixelshaderconstantf",
    "pixelshaderconstanti", "pixelshaderconstant1", "pixelshaderconstant2",
    "pixelshaderconstant3", "pixelshaderconstant4",
};

constexpr const char* kUnsupportedSamplerValues[] = {"pyramidalquad", "gaussianquad",
                                                     "convolutionmono"};

// Values Direct3D 9 gives blend and depth states that this device has no
// counterpart for.
constexpr const char* kUnsupportedRenderValues[] = {"srccolor2", "invsrccolor2", "usew"};

struct ProfileInfo {
    const char* name;
    ProfileStage stage;
    bool supported;
};

// Shader model 4 and later is another effect system. Shader model 1 pixel
// profiles are known but never compiled as such: Direct3D9Profile names
// ps_2_0 for them.
constexpr ProfileInfo kProfiles[] = {
    {"vs_1_1", ProfileStage::Vertex, true}, {"vs_2_0", ProfileStage::Vertex, true},
    {"vs_2_a", ProfileStage::Vertex, true}, {"vs_2_sw", ProfileStage::Vertex, true},
    {"vs_3_0", ProfileStage::Vertex, true}, {"ps_1_1", ProfileStage::Pixel, false},
    {"ps_1_2", ProfileStage::Pixel, false}, {"ps_1_3", ProfileStage::Pixel, false},
    {"ps_1_4", ProfileStage::Pixel, false}, {"ps_2_0", ProfileStage::Pixel, true},
    {"ps_2_a", ProfileStage::Pixel, true},  {"ps_2_b", ProfileStage::Pixel, true},
    {"ps_2_sw", ProfileStage::Pixel, true}, {"ps_3_0", ProfileStage::Pixel, true},
};

const ProfileInfo* FindProfile(std::string_view name) {
    for (const ProfileInfo& p : kProfiles)
        if (IEquals(name, p.name)) return &p;
    return nullptr;
}

constexpr const char* kQualifiers[] = {
    "uniform",  "extern",    "shared",       "static",      "const",
    "volatile", "row_major", "column_major", "groupshared", "precise",
    "snorm",    "unorm",     "nointerpolation", "in"};

template <size_t N>
bool InListIgnoringCase(const char* const (&list)[N], std::string_view name) {
    for (const char* entry : list)
        if (IEquals(name, entry)) return true;
    return false;
}

}  // namespace

const RenderStateInfo* FindRenderState(std::string_view name) {
    for (const RenderStateInfo& info : kRenderStates)
        if (IEquals(name, info.name)) return &info;
    return nullptr;
}

const SamplerStateInfo* FindSamplerState(std::string_view name) {
    for (const SamplerStateInfo& info : kSamplerStates)
        if (IEquals(name, info.name)) return &info;
    return nullptr;
}

bool LookUpValue(const ValueSet& set, std::string_view text, DWORD* value) {
    for (size_t i = 0; i < set.count; ++i) {
        if (IEquals(text, set.values[i].name)) {
            *value = set.values[i].value;
            return true;
        }
    }
    if (text.empty() || text.size() > 9) return false;
    DWORD number = 0;
    for (char c : text) {
        if (!IsDigit(c)) return false;
        number = number * 10 + static_cast<DWORD>(c - '0');
    }
    for (size_t i = 0; i < set.count; ++i) {
        if (set.values[i].value == number) {
            *value = number;
            return true;
        }
    }
    return false;
}

bool IsEffectStateName(std::string_view name) {
    return InListIgnoringCase(kEffectStateNames, name);
}

bool IsUnsupportedSamplerValue(std::string_view text) {
    return InListIgnoringCase(kUnsupportedSamplerValues, text);
}

bool IsUnsupportedRenderValue(std::string_view text) {
    return InListIgnoringCase(kUnsupportedRenderValues, text);
}

bool ParseStateNumber(StateNumber kind, std::string_view text, DWORD* value) {
    std::string digits;
    for (char c : text) {
        if (c != ' ' && c != '\t') digits += c;
    }
    if (kind == StateNumber::Float) {
        if (!digits.empty() && (digits.back() == 'f' || digits.back() == 'F')) digits.pop_back();
        float f = 0.0f;
        auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), f);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
            !std::isfinite(f)) {
            return false;
        }
        std::memcpy(value, &f, sizeof f);
        return true;
    }
    return kind == StateNumber::Unsigned && !digits.empty() && digits[0] != '-' &&
           ParseColorWord(digits, value);
}

bool ParseColorWord(std::string_view text, DWORD* value) {
    uint64_t v = 0;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    size_t i = hex ? 2 : 0;
    if (i >= text.size() || text.size() - i > (hex ? 8u : 10u)) return false;
    for (; i < text.size(); ++i) {
        char c = Lower(text[i]);
        int digit = IsDigit(c) ? c - '0' : (hex && c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        v = v * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    }
    if (v > 0xffffffffu) return false;
    *value = static_cast<DWORD>(v);
    return true;
}

ProfileStage ProfileStageOf(std::string_view profile) {
    const ProfileInfo* p = FindProfile(profile);
    return p ? p->stage : ProfileStage::None;
}

bool IsSupportedProfile(std::string_view profile) {
    const ProfileInfo* p = FindProfile(profile);
    return p && p->supported;
}

std::string_view Direct3D9Profile(std::string_view profile) {
    static constexpr std::pair<const char*, const char*> kNamedAs[] = {
        {"vs_4_0_level_9_1", "vs_2_0"},
        {"ps_4_0_level_9_1", "ps_2_0"},
        {"vs_4_0_level_9_3", "vs_2_a"},
        {"ps_4_0_level_9_3", "ps_2_a"},
        {"vs_3_sw", "vs_3_0"},
        {"ps_3_sw", "ps_3_0"},
        // Direct3D 9's later compilers build no shader model 1 pixel shader
        // from HLSL: in their backward-compatible mode, which effects kept
        // from the first shader years need, ps_1_x compiles as ps_2_0.
        {"ps_1_1", "ps_2_0"},
        {"ps_1_2", "ps_2_0"},
        {"ps_1_3", "ps_2_0"},
        {"ps_1_4", "ps_2_0"},
    };
    for (const auto& [later, d3d9] : kNamedAs)
        if (IEquals(profile, later)) return d3d9;
    return profile;
}

bool LooksLikeProfile(std::string_view name) {
    size_t letters = 0;
    while (letters < name.size() && ((name[letters] >= 'a' && name[letters] <= 'z') ||
                                     (name[letters] >= 'A' && name[letters] <= 'Z'))) {
        ++letters;
    }
    return letters >= 2 && letters + 1 < name.size() && name[letters] == '_' &&
           name[letters + 1] >= '0' && name[letters + 1] <= '9';
}

const char* SupportedProfileRange(ProfileStage stage) {
    return stage == ProfileStage::Vertex ? "vs_1_1 to vs_3_0" : "ps_1_1 to ps_3_0";
}

bool IsTextureType(std::string_view s) {
    return IEquals(s, "texture") || IEquals(s, "texture1d") || IEquals(s, "texture2d") ||
           IEquals(s, "texture3d") || IEquals(s, "texturecube");
}

bool IsSamplerType(std::string_view s) {
    return IEquals(s, "sampler") || IEquals(s, "sampler1d") || IEquals(s, "sampler2d") ||
           IEquals(s, "sampler3d") || IEquals(s, "samplercube");
}

bool IsTechniqueKeyword(std::string_view s) {
    // Only "technique" in any case: Technique10 is a name.
    return IEquals(s, "technique") || s == "technique10" || s == "technique11";
}

bool IsQualifier(std::string_view s) {
    for (const char* q : kQualifiers)
        if (s == q) return true;
    return false;
}

}  // namespace fx
