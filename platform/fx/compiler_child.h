// Stages 5 and 6 for one pass, in this process or in a child process
// (platform/fx internal).
//
// glslang 12 crashes on some inputs and can take unbounded time on others,
// so the loader runs the two stages in a forked child that writes its
// answer into a pipe. A crash, a hang past the time limit, an answer that
// is too long or a child that dies without one becomes an error naming the
// entry point it was compiling; the program goes on.
#pragma once

#include "platform/fx/4_rewrite_hlsl.h"
#include "platform/fx/6_spirv_to_glsl.h"

namespace fx {

// How long the loader lets the child compile one pass before it is stopped.
constexpr int kCompilerTimeLimitMs = 10000;

// HLSL -> SPIR-V -> GLSL for one pass, here.
CompiledPass CompilePass(const PassSources& sources, const PassConventions& conventions);

// The same work in a child process, stopped after timeLimitMs (the loader
// gives it kCompilerTimeLimitMs).
CompiledPass CompilePassInChild(const PassSources& sources, const PassConventions& conventions,
                                int timeLimitMs);

// Tests only: the child of the following compiles crashes (SIGSEGV) or hangs
// when it reaches the stage with this index.
enum class ChildFault { None, Crash, Hang };
void SetChildFaultForTesting(ChildFault fault, int stageIndex = 0);

}  // namespace fx
