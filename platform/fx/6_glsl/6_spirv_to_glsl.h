// Stage 6: SPIR-V to GLSL 4.50 with SPIRV-Cross, following the device's
// conventions (platform/fx internal). Every SPIRV-Cross call of the program
// is in 6_spirv_to_glsl.cpp and 6_generated_stages.cpp.
//
// The conventions (platform/shader_conventions.h), applied to each stage as
// named steps: vertex inputs at the stream's attribute slots by semantic;
// pixel inputs and vertex outputs matched by semantic (as Direct3D 9 links
// them, not by declaration order), the POSITION output as gl_Position;
// pixel outputs COLORn / DEPTH; the constant registers as "vs_c[N]" /
// "ps_c[N]"; samplers bound to their texture stages. A pass without a vertex
// or a pixel shader gets a generated fixed-function stand-in for that stage.
//
// Before SPIRV-Cross, the passes over the SPIR-V (6_spirv/6_passes.h):
// fmod, % and ddy as Direct3D 9 computes them and the constant registers as
// it allocates them (6_registers.h).
//
// Where errors are made: what a shader asks of the device that it cannot
// give (a vertex input the stream does not carry, a varying that cannot be
// passed on, a register past the last one, a constant buffer), at the
// shader's compile statement; explicit registers whose reads overlap, at
// the global; SPIRV-Cross's own failures (it throws; everything is caught
// here).
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/fx/5_glslang/5_hlsl_to_spirv.h"
#include "platform/fx/6_spirv/6_registers.h"
#include "platform/fx/shared/message.h"

namespace fx {

struct PassConventions {
    // Texture stages by sampler name (see AssignSamplerStages); samplers it
    // does not name take free stages.
    std::vector<std::pair<std::string, int>> samplerStages;
    // Real-world effects read NORMAL, TANGENT, ... With this set, other
    // vertex inputs get spare attribute slots. The device keeps c0-c255 of
    // each stage (the profile bounds them further, ps_3_0 to c223).
    bool lenient = false;
};

// What stages 5 and 6 hand back for one pass.
struct CompiledPass {
    bool ok = false;
    std::vector<std::string> glsl;  // vertex and pixel stage when ok
    std::vector<Message> messages;  // what a MessageCollector wrote
    std::vector<std::string> samplers;  // the samplers some stage reads, each once
    int64_t slots = 0;  // the larger stage's estimated instruction slots
    // Messages left out of the list (past kShownMessages of their kind).
    size_t unshownErrors = 0;
    size_t unshownWarnings = 0;
    // Each stage's register table (empty for a generated stage).
    std::vector<ConstantRegisters> vertexConstants;
    std::vector<ConstantRegisters> pixelConstants;
};

// Called with a module's index before each step on it (the child process
// reports progress through it).
using StageProgress = std::function<void(int stageIndex)>;

// The GLSL of both stages of a pass from its one or two modules (a vertex
// and / or a pixel shader, in that order); the messages go to messages (the
// compiler child's is a MessageCollector on out->messages).
void SpirvToGlsl(std::vector<SpirvModule> modules, const PassConventions& conventions,
                 const StageProgress& progress, CompiledPass* out, MessageSink& messages);

// A pass with neither shader (a fixed-function pass of an older effect):
// both stages generated, the position untransformed and the diffuse colour
// drawn, as the stand-ins of a pass that lacks one shader do.
void FixedFunctionPass(CompiledPass* out);

}  // namespace fx
