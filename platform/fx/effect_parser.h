// Effect-framework syntax around the HLSL of an effect file (platform/fx
// internal). The parser finds techniques, passes, compile statements, state
// assignments and annotations, records them, and hands back the HLSL with each
// of those constructs replaced by blanks: same length, line ends kept, so that
// every line and column the HLSL compiler reports is true for the file.
#pragma once

#include "platform/gfx/gfx.h"

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

struct ParsedEffect {
    std::string hlsl;  // the source with effect syntax blanked out
    std::vector<TechniqueDesc> techniques;
    std::vector<Diagnostic> diagnostics;  // errors and warnings, in source order

    bool HasErrors() const;
};

ParsedEffect ParseEffect(std::string_view source);

}  // namespace fx
