// HLSL to GLSL 4.50 for one pass of an effect (platform/fx internal).
//
// glslang's HLSL front end (DX9 compatibility mode) turns each entry point
// into SPIR-V; SPIRV-Cross turns that into GLSL that follows the device's
// conventions: vertex inputs at locations 0 POSITION, 1 COLOR0, 2 TEXCOORD0;
// varyings matched by semantic, not by declaration order; the POSITION output
// as gl_Position; each stage's constants as "uniform vec4 vs_c[N]" /
// "ps_c[N]" indexed by register. Every glslang and SPIRV-Cross call of the
// program lives behind this header, so another front end can replace them.
//
// glslang 12 crashes on some inputs, so CompileShadersIsolated runs the work
// in a forked child process and turns a crash or a hang into an error.
#pragma once

#include <string>
#include <vector>

namespace fx {

enum class ShaderStage { Vertex, Pixel };

struct StageRequest {
    ShaderStage stage = ShaderStage::Vertex;
    std::string entry;
};

struct CompileMessage {
    bool error = true;  // false: a warning
    int line = 0;       // 0: no position in the file
    int column = 0;
    std::string text;
    std::string entry;  // the entry point being compiled; empty when the text names it
    // The entry point itself is at fault (place it at the compile statement).
    bool aboutEntry = false;
    std::string file;  // empty: the effect file; otherwise the #include name the line is in
};

struct CompileOutput {
    bool ok = false;
    std::vector<std::string> glsl;  // one per requested stage, in request order
    std::vector<CompileMessage> messages;
    std::vector<std::string> samplers;  // the samplers some stage reads, each once
};

// Constant registers a stage may use: the device keeps 64 per stage.
constexpr int kMaxConstantRegisters = 64;  // platform::kConstantRegisters

// The text an #include line names, served to the HLSL preprocessor.
struct IncludeText {
    std::string name;
    std::string text;
};

// One pass as the effect loader hands it over.
struct PassRequest {
    std::vector<StageRequest> stages;
    // The HLSL of each stage, in the order of stages (a stage may need its
    // own copy: compile arguments are substituted into its entry point).
    std::vector<std::string> sources;
    std::vector<IncludeText> includes;
    // No vertex shader: stages holds only the pixel stage, and glsl[0] is a
    // generated vertex stage that forwards position, colour and texture
    // coordinates untransformed, as the fixed-function pipeline would.
    bool passThroughVertex = false;
    // No pixel shader: stages holds only the vertex stage, and glsl[1] is a
    // generated pixel stage that writes the vertex stage's COLOR0 (white
    // without one), as the fixed-function stage does with no texture.
    bool passThroughPixel = false;
    // Texture units by sampler name (register(sN) or declaration order, as
    // the effect assigns them); samplers it does not name take free units.
    std::vector<std::pair<std::string, int>> samplerUnits;
    // Real-world effects read NORMAL, TANGENT, ... and registers past c63.
    // With this set, other vertex inputs get spare attribute locations (the
    // stream leaves them disabled: they read (0, 0, 0, 1)) and registers up
    // to c255 compile with a warning (the ones past c63 read zero).
    bool lenient = false;
};

// Compiles every requested stage of one pass in this process. Stages of one
// pass share the mapping of varying semantics to locations.
CompileOutput CompileShaders(const std::string& hlsl, const std::vector<StageRequest>& stages);

// The same work in a child process. A crash, a hang past timeoutMs or a child
// that dies without an answer becomes an error message naming the entry point.
CompileOutput CompileShadersIsolated(const std::string& hlsl,
                                     const std::vector<StageRequest>& stages,
                                     int timeoutMs = 10000);

CompileOutput CompilePass(const PassRequest& pass);
CompileOutput CompilePassIsolated(const PassRequest& pass, int timeoutMs = 10000);

// Tests only: the child of the following isolated compiles crashes (SIGSEGV)
// or hangs when it reaches the stage with this index.
enum class ChildFault { None, Crash, Hang };
void SetChildFaultForTesting(ChildFault fault, int stageIndex = 0);

}  // namespace fx
