// What the compiler processes say to each other (platform/fx internal; see
// compiler_child.h): the program's request to the server, a worker's stream
// of progress records and its result, and the server's account of the
// worker. Integers are native-endian: every end is the same binary. Every
// decoder checks each length against the bytes left, so a cut or garbled
// message is refused, never read past its end.
#pragma once

#include <string>
#include <string_view>

#include "platform/fx/server/compiler_child.h"

namespace fx {

struct CompileRequest {
    PassSources sources;
    PassConventions conventions;
    int timeLimitMs = 0;
    ChildFault fault = ChildFault::None;
    int faultStage = 0;
};

std::string EncodeRequest(const CompileRequest& request);
bool DecodeRequest(std::string_view data, CompileRequest* request);
// The time limit at the head of an encoded request, for the server, which
// hands the rest to a worker undecoded. False when there is no head.
bool RequestTimeLimit(std::string_view data, int* timeLimitMs);

// The worker's stream: a progress record before each step (the stage it
// starts), then one result record.
std::string EncodeProgress(int stageIndex);
std::string EncodeResult(const CompiledPass& pass);
// The last stage started and, if the worker got that far, its result.
// False when the stream ends before a whole result.
bool DecodeStream(std::string_view data, int* lastStage, CompiledPass* pass);

// How a worker ended, as the server saw it, and everything it wrote.
struct WorkerRun {
    std::string stream;
    bool timedOut = false;  // stopped at the time limit
    bool tooLong = false;   // stopped for writing too much
    int status = 0;         // waitpid's status
};

std::string EncodeWorkerRun(const WorkerRun& run);
bool DecodeWorkerRun(std::string_view data, WorkerRun* run);

}  // namespace fx
