// Stage 6: the passes over glslang's SPIR-V, in the one order they run
// (platform/fx internal). The compiler (6_spirv_to_glsl.cpp) and the golden
// tests (tests/fx-corpus/spirv/*.cases) both run this list; no other copy
// of the order exists.
#pragma once

#include <span>
#include <vector>

#include "platform/fx/5_glslang/5_hlsl_to_spirv.h"
#include "platform/fx/6_spirv/6_registers.h"
#include "platform/fx/6_spirv/6_spirv_module.h"
#include "platform/fx/shared/message.h"

namespace fx {

// What a pass reads and writes besides the module.
struct SpirvPassState {
    SpvModule& module;
    const SpirvModule& source;  // stage, profile and globals of the shader
    std::vector<ConstantRegisters>* constants;
    // A message without a place is a problem of the whole shader: it is
    // said at the shader's compile statement (the sink's fallback).
    MessageSink& errors;
};

struct SpirvPass {
    const char* name;  // as the golden tests name it
    // False stops the list there: the shader does not compile.
    bool (*run)(SpirvPassState& state);
};

// The passes in order (6_passes.cpp gives the reason for each place).
std::span<const SpirvPass> SpirvPasses();

// Runs the passes in order until one fails (false) or after, called after
// each pass that ran, returns false (the tests stop at the pass they test
// and validate the module at each).
template <typename After>
bool RunSpirvPasses(SpirvPassState& state, After after) {
    for (const SpirvPass& pass : SpirvPasses()) {
        if (!pass.run(state)) return false;
        if (!after(pass)) return true;
    }
    return true;
}

inline bool RunSpirvPasses(SpirvPassState& state) {
    return RunSpirvPasses(state, [](const SpirvPass&) { return true; });
}

}  // namespace fx
