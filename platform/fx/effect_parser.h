// Effect-framework syntax around the HLSL of an effect file (platform/fx
// internal). The parser finds techniques, passes, compile statements, state
// assignments and annotations, records them, and hands back the HLSL with each
// of those constructs replaced by blanks: same length, line ends kept, so that
// every line and column the HLSL compiler reports is true for the file.
//
// Also read and blanked: texture declarations, string globals, and the
// sampler_state block of sampler declarations (the sampler itself stays, with
// its register). Preprocessor lines are never blanked: the HLSL compiler's
// preprocessor sees every #define, #if and #include where the file has it.
// Inside techniques the parser evaluates #if / #ifdef / #ifndef / #elif /
// #else / #endif itself (object-like macros defined earlier, defined(X),
// integer arithmetic and comparisons) and skips the inactive lines; at global
// scope it evaluates them too, only to know which techniques and samplers
// exist (an expression it cannot evaluate there makes every branch count, with
// a warning).
//
// #include: the parser does no file I/O. Without a resolver, #include lines
// are left to the HLSL compiler's include mechanism and the included text is
// not read (its macros are unknown to #if inside techniques, and effect syntax
// in it is not blanked). With a resolver, each included file is read through
// it, parsed like the main file (its macros, techniques, samplers and textures
// count), and its blanked text is handed back in ParsedEffect::includes for
// the HLSL compiler's includer to serve under the same name; diagnostics from
// it carry its name in Diagnostic::file and its own lines and columns.
#pragma once

#include "platform/gfx/gfx.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace fx {

struct SourcePos {
    int line = 0;    // 1-based
    int column = 0;  // 1-based
};

struct Diagnostic {
    SourcePos pos;
    bool error = false;  // false: a warning
    std::string message;
    std::string file;  // empty: the effect file; otherwise the name its #include gives
};

// "VertexShader = compile vs_3_0 vs_main();" or "PixelShader = null;".
struct ShaderBinding {
    bool present = false;  // the pass assigns this stage at all
    bool null = false;     // "= null" / "= NULL"
    std::string profile;   // vs_2_0, vs_3_0, ps_2_0, ps_3_0, ...
    std::string entry;     // the function name
    std::vector<std::string> arguments;  // constant arguments of the call, as written
    SourcePos pos;
};

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
// blanked, recorded so that samplers can name it.
struct TextureDesc {
    std::string name;
    std::string type;  // as written
    SourcePos pos;
};

struct SamplerStateSetting {
    D3DSAMPLERSTATETYPE state;
    DWORD value;  // D3DTEXF_*, D3DTADDRESS_* or a D3DCOLOR for the border
    SourcePos pos;
};

// "sampler2D S : register(s1) = sampler_state { Texture = <T>; ... };" stays
// "sampler2D S : register(s1)" + blanks + ";" in the HLSL.
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

struct ParsedEffect {
    std::string hlsl;  // the source with effect syntax blanked out
    std::vector<TechniqueDesc> techniques;
    std::vector<Diagnostic> diagnostics;  // errors and warnings, in source order
    std::vector<TextureDesc> textures;
    std::vector<SamplerDesc> samplers;
    std::vector<IncludedFile> includes;  // only with a resolver; each name once

    bool HasErrors() const;
};

// Finds the text of an included file by the name its #include line gives.
// Returns false with a reason in *error when there is none.
using IncludeResolver =
    std::function<bool(const std::string& name, std::string* text, std::string* error)>;

ParsedEffect ParseEffect(std::string_view source);
// A missing include is an error at its #include line.
ParsedEffect ParseEffect(std::string_view source, const IncludeResolver& resolver);

}  // namespace fx
