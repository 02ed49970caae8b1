// The names effect files write and what they mean to the device (platform/fx
// internal): render states and sampler states with their values, shader
// profiles, the type names the effect framework gives meaning to, and the
// HLSL qualifiers that may stand before a declaration's type. Each list is
// written once here; the parser, the loader's checks and the HLSL rewrites
// all read it. Names compare without regard to case, as effect files write
// them in any case ("CullMode = none", "ZENABLE = TRUE").
#pragma once

#include <string_view>

#include "platform/gfx/gfx.h"

namespace fx {

struct NamedValue {
    const char* name;
    DWORD value;
};

struct ValueSet {
    const NamedValue* values;
    size_t count;
};

// How a state's value is written when it is a number rather than a name
// from its set: MaxAnisotropy = 8; MipMapLodBias = -0.5; BlendFactor =
// 0x80FFFFFF.
enum class StateNumber { None, Unsigned, Float };

struct RenderStateInfo {
    const char* name;
    D3DRENDERSTATETYPE state;
    ValueSet values;
    StateNumber number = StateNumber::None;
};

struct SamplerStateInfo {
    const char* name;
    D3DSAMPLERSTATETYPE state;
    ValueSet values;
    StateNumber number = StateNumber::None;
};

// nullptr for a state the device does not take.
const RenderStateInfo* FindRenderState(std::string_view name);
const SamplerStateInfo* FindSamplerState(std::string_view name);

// A state the effect framework knows by this name, applied here or not.
bool IsEffectStateName(std::string_view name);

// A value by name, or a plain decimal number that is one of the set's values
// (effect files may write "CullMode = 1").
bool LookUpValue(const ValueSet& set, std::string_view text, DWORD* value);

// A value Direct3D 9 takes for a render state that the device cannot
// apply (SrcBlend = BlendFactor, ZEnable = UseW): ignored with a warning.
bool IsUnsupportedRenderValue(std::string_view text);
// Sampler-state values an effect may rightly write that the device has no
// equivalent for (PyramidalQuad, GaussianQuad, ConvolutionMono).
bool IsUnsupportedSamplerValue(std::string_view text);

// The value of a numeric state: an unsigned decimal, or a float ("-0.5",
// "1.0f") held in the DWORD's bits as the device takes it. Blanks between
// a sign and the number are allowed.
bool ParseStateNumber(StateNumber kind, std::string_view text, DWORD* value);

// Decimal or 0x hexadecimal, 32 bits at most (a D3DCOLOR).
bool ParseColorWord(std::string_view text, DWORD* value);

// Shader profiles. A known profile parses ("compile ps_1_4 PS()" is a
// well-formed pixel shader binding); only a supported one compiles.
enum class ProfileStage { None, Vertex, Pixel };
ProfileStage ProfileStageOf(std::string_view profile);
bool IsSupportedProfile(std::string_view profile);
// "vs_5_0", "lib_6_3": letters, '_' and a digit, as every compiler's
// profiles begin; a name without that shape may be a macro left undefined.
bool LooksLikeProfile(std::string_view name);
// The Direct3D 9 profile whose limits a later compiler's name for it has:
// vs_4_0_level_9_1 vs_2_0, ps_4_0_level_9_1 ps_2_0, vs_4_0_level_9_3 vs_2_a,
// ps_4_0_level_9_3 ps_2_a (the ps_2_x that has every ps_2_x instruction);
// and the software profiles of shader model 3, vs_3_sw and ps_3_sw, which
// have every instruction of vs_3_0 and ps_3_0 and run here as those do;
// ps_1_1 to ps_1_4 ps_2_0, as Direct3D 9's later compilers build them from
// HLSL. Any other name as it is.
std::string_view Direct3D9Profile(std::string_view profile);
// "vs_1_1 to vs_3_0" / "ps_1_1 to ps_3_0", for messages.
const char* SupportedProfileRange(ProfileStage stage);

bool IsTextureType(std::string_view type);
bool IsSamplerType(std::string_view type);
bool IsTechniqueKeyword(std::string_view word);
// uniform, static, const, row_major, in, ...: words before a declaration's
// type (case-sensitive, as HLSL keywords are).
bool IsQualifier(std::string_view word);

}  // namespace fx
