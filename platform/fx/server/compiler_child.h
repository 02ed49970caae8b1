// Stages 5 and 6 for one pass, in this process or in a compiler process
// (platform/fx internal).
//
// glslang 12 crashes on some inputs and can take unbounded time and memory
// on others, and its tables of built-ins take megabytes that the program
// has no use for. So the program runs no glslang at all: its first compile
// forks a compiler server, which builds glslang's tables once and then
// keeps one spare worker forked ahead, idle on a channel of its own. Each
// pass goes to the spare, which starts warm (the tables are shared copy on
// write) and becomes that pass's worker; a crash costs only that worker:
//
//   program --request--> server --request--> spare = worker: stages 5 and 6
//   program <--answer--- server <--stream--- worker
//                          `--fork (after the answer)--> the next spare
//
// The server answers as soon as the worker's stream holds its whole
// result, and reaps the worker and forks the next spare after that, so a
// compile waits for no fork and no exit. A spare that died while it waited
// is replaced by a worker forked there and then.
//
// A crash, a hang past the time limit, a worker out of memory, an answer
// that is too long or a worker that dies without one becomes an error
// naming the entry point it was compiling; the program goes on.
//
// Nothing outlives the program: the server and each worker ask for SIGKILL
// when their parent dies (PR_SET_PDEATHSIG, checked against the parent's
// pid right after fork), write no core file, have CPU limits of their own
// (a worker's from its request's time limit, set when it gets it), and a
// worker may grow by kCompilerMemoryBytes of address space beyond what it
// starts with. The server keeps only its socket and the spare's channel
// open; it ends when the process exits, killing and reaping its spare, and
// one that died (its CPU limit, a kill) is reaped and started again by the
// next compile.
#pragma once

#include <cstddef>

#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"
#include "platform/fx/6_glsl/6_spirv_to_glsl.h"

namespace fx {

// How long the loader lets a worker compile one pass before it is stopped.
constexpr int kCompilerTimeLimitMs = 10000;

// What a worker may allocate beyond what it inherits. The largest effect the
// reader accepts (4 MB) compiles in a few hundred megabytes; a macro that
// doubles thirty times would take all the machine has.
constexpr size_t kCompilerMemoryBytes = size_t{1} << 30;

// HLSL -> SPIR-V -> GLSL for one pass, here.
CompiledPass CompilePass(const PassSources& sources, const PassConventions& conventions);

// The same work in a worker of the compiler server, stopped after
// timeLimitMs (the loader gives it kCompilerTimeLimitMs).
CompiledPass CompilePassInChild(const PassSources& sources, const PassConventions& conventions,
                                int timeLimitMs);

// Ends the compiler server and reaps it; the next compile starts another.
// Also done when the process exits.
void StopCompilerServer();

// The server's process id; 0 while none runs.
int CompilerServerPid();

// Tests only: the worker of the following compiles crashes (SIGSEGV), hangs,
// or allocates until its memory limit stops it, when it reaches the stage
// with this index.
enum class ChildFault { None, Crash, Hang, Allocate };
void SetChildFaultForTesting(ChildFault fault, int stageIndex = 0);

}  // namespace fx
