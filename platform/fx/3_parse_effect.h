// Stage 3: the effect framework around the HLSL (platform/fx internal).
//
// The parser reads the file's tokens through the preprocessor (stage 2) and
// finds techniques, passes, compile statements, render states, annotations,
// texture and string globals, shader variables and sampler_state blocks. It
// records them in a ParsedEffect and hands back the HLSL with each of those
// constructs replaced by blanks: same length, line ends kept, so that every
// line and column glslang reports is true for the file. Directive lines are
// never blanked. The sampler itself stays, with its register:
// "sampler2D S : register(s1) = sampler_state {...};" becomes
// "sampler2D S : register(s1)" + blanks + ";".
//
// Included files are parsed like the main file (their macros, techniques,
// samplers and textures count), and their blanked text is handed back in
// ParsedEffect::includes for glslang's includer to serve under the same
// name; their messages name them in Message::file.
//
// Globals that are not static and have an initializer are recorded with
// it: the initializer is the global's value until the program writes its
// registers.
//
// Where errors are made: syntax of the effect framework (unexpected tokens,
// unterminated blocks, annotations and strings, invalid state values,
// unknown profiles, a ResourceName or ResourceType that is not a string) as
// the parser meets it; then CheckTechniques, over the
// whole effect: no technique, a pass with neither shader, an unsupported
// profile.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/fx/2_preprocess.h"
#include "platform/fx/message.h"
#include "platform/gfx/gfx.h"

namespace fx {

// "VertexShader = compile vs_3_0 vs_main();" or "PixelShader = null;".
struct ShaderBinding {
    bool present = false;  // the pass assigns this stage at all
    bool null = false;     // "= null" / "= NULL"
    std::string profile;   // vs_2_0, vs_3_0, ps_2_0, ps_3_0, ... in lower case
    std::string entry;     // the function name
    std::vector<std::string> arguments;  // constant arguments of the call, as written
    SourcePos pos;
};

// A stage the pass leaves out or sets to null gets a generated stand-in.
inline bool HasShader(const ShaderBinding& b) { return b.present && !b.null; }
// "VS(1, true)": the entry point with its compile arguments.
std::string EntryText(const ShaderBinding& b);

// A render state set by a pass, already translated to the device's terms.
struct RenderStateSetting {
    D3DRENDERSTATETYPE state;
    DWORD value;
    SourcePos pos;
};

struct PassDesc {
    std::string name;
    SourcePos pos;
    ShaderBinding vertexShader;
    ShaderBinding pixelShader;
    std::vector<RenderStateSetting> renderStates;
};

struct TechniqueDesc {
    std::string name;
    SourcePos pos;
    std::vector<PassDesc> passes;
};

// "texture ColorMap < ... >;" (also texture2D, texture3D, textureCUBE):
// blanked, recorded so that samplers can name it. Its annotation may name
// the image file it holds: < string ResourceName = "spark.png"; > (read
// from the effect file's folder), and the kind of image it must be:
// < string ResourceType = "2D"; > ("1D", "2D", "3D" or "Cube", any case).
struct TextureDesc {
    std::string name;
    std::string type;  // as written
    SourcePos pos;
    std::string resourceName;  // empty: no file, the texture reads opaque black
    SourcePos resourcePos;     // of the ResourceName string
    std::string resourceType;  // as written; empty when the annotation gives none
    SourcePos resourceTypePos;
};

struct SamplerStateSetting {
    D3DSAMPLERSTATETYPE state;
    DWORD value;  // D3DTEXF_*, D3DTADDRESS_* or a D3DCOLOR for the border
    SourcePos pos;
};

struct SamplerDesc {
    std::string name;
    std::string type;        // sampler, sampler2D, samplerCUBE, ... as written
    int registerIndex = -1;  // N of register(sN); -1 without one
    std::string texture;     // the texture it names; empty without one
    std::vector<SamplerStateSetting> states;  // in the order written
    SourcePos pos;
};

// The blanked text of a file read through #include, under the name as the
// #include line writes it.
struct IncludedFile {
    std::string name;
    std::string hlsl;
};

// "float4 Tint = float4(1, 0.5, 0, 1);": a global that is not static, with
// the initializer that is its value until something writes its registers
// (object-like macros expanded as they stood at the declaration).
struct GlobalInitializer {
    std::string name;
    std::string type;  // as written ("float4", "int", "Material")
    std::string value;
    SourcePos pos;
};

struct ParsedEffect {
    std::string hlsl;  // the source with effect syntax blanked out
    std::vector<TechniqueDesc> techniques;
    std::vector<Message> messages;  // errors and warnings, in source order
    std::vector<TextureDesc> textures;
    std::vector<SamplerDesc> samplers;
    std::vector<IncludedFile> includes;  // only with a resolver; each name once
    std::vector<GlobalInitializer> initializers;  // in the order read

    bool HasErrors() const;
};

// Without a resolver, #include lines are left to glslang's includer and the
// included text is not read (its macros are unknown to #if inside
// techniques, and effect syntax in it is not blanked). With one, a missing
// include is an error at its #include line.
ParsedEffect ParseEffect(std::string_view source);
ParsedEffect ParseEffect(std::string_view source, const IncludeResolver& resolver);

// The whole effect's rules, checked once: it has a technique; each pass
// (of the first technique, or of all with allTechniques) has a vertex or a
// pixel shader; each compile statement names a supported profile and an
// entry point.
bool CheckTechniques(const ParsedEffect& effect, bool allTechniques, MessageList* messages);

// The texture stage of each sampler: register(sN) where it names one,
// otherwise the lowest stage still free, in declaration order (#if branches
// may declare a sampler twice; the first counts).
struct SamplerStage {
    std::string name;
    int stage = 0;
    const SamplerDesc* desc = nullptr;  // into the ParsedEffect
};
std::vector<SamplerStage> AssignSamplerStages(const std::vector<SamplerDesc>& samplers);

}  // namespace fx
