// Stages 5 and 6 for one pass, and the child process that keeps a crashing
// or hanging glslang away from the program (see compiler_child.h).
//
// The child writes a progress record before each step, so that the parent
// can name the entry point a crash happened in, then one record with the
// whole answer. glslang's table of built-ins is built in the parent before
// the first fork (WarmUpGlslang), so each child starts with it.
#include "platform/fx/compiler_child.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/fx/5_hlsl_to_spirv.h"

namespace fx {
namespace {

CompiledPass Failed(std::string text) {
    CompiledPass failed;
    failed.messages.push_back(ErrorAt({}, std::move(text)));
    return failed;
}

CompiledPass CompileWithProgress(const PassSources& sources, const PassConventions& conventions,
                                 const StageProgress& progress) {
    if (sources.stages.empty()) return Failed("nothing to compile");
    CompiledPass out;
    std::vector<SpirvModule> modules(sources.stages.size());
    bool ok = true;
    for (size_t i = 0; i < sources.stages.size(); ++i) {
        if (progress) progress(static_cast<int>(i));
        ok &= HlslToSpirv(sources.stages[i], sources.includes, &modules[i], &out.messages);
    }
    if (!ok) return out;
    SpirvToGlsl(std::move(modules), conventions, progress, &out);
    return out;
}

// >> the child's answer
// Records on the pipe: 'P' u32 stage (progress), then one 'R' with the whole
// result. Integers are native-endian: both ends are the same binary.

void PutU32(std::string* s, uint32_t v) { s->append(reinterpret_cast<const char*>(&v), 4); }
void PutStr(std::string* s, const std::string& v) {
    PutU32(s, static_cast<uint32_t>(v.size()));
    s->append(v);
}

std::string Serialize(const CompiledPass& out) {
    std::string s = "R";
    PutU32(&s, out.ok ? 1 : 0);
    PutU32(&s, static_cast<uint32_t>(out.glsl.size()));
    for (const auto& g : out.glsl) PutStr(&s, g);
    PutU32(&s, static_cast<uint32_t>(out.messages.size()));
    for (const Message& m : out.messages) {
        PutU32(&s, m.IsError() ? 1u : 0u);
        PutU32(&s, static_cast<uint32_t>(m.line));
        PutU32(&s, static_cast<uint32_t>(m.column));
        PutStr(&s, m.text);
        PutStr(&s, m.entry);
        PutStr(&s, m.file);
    }
    PutU32(&s, static_cast<uint32_t>(out.samplers.size()));
    for (const auto& name : out.samplers) PutStr(&s, name);
    for (const auto* table : {&out.vertexConstants, &out.pixelConstants}) {
        PutU32(&s, static_cast<uint32_t>(table->size()));
        for (const ConstantRegisters& r : *table) {
            PutStr(&s, r.name);
            PutU32(&s, static_cast<uint32_t>(r.set));
            PutU32(&s, static_cast<uint32_t>(r.start));
            PutU32(&s, static_cast<uint32_t>(r.count));
            PutU32(&s, static_cast<uint32_t>(r.values.size()));
            for (float v : r.values) {
                uint32_t bits = 0;
                std::memcpy(&bits, &v, sizeof bits);
                PutU32(&s, bits);
            }
        }
    }
    return s;
}

class Reader {
public:
    explicit Reader(std::string_view data) : data_(data) {}
    bool U32(uint32_t* v) {
        if (data_.size() - pos_ < 4) return false;
        std::memcpy(v, data_.data() + pos_, 4);
        pos_ += 4;
        return true;
    }
    bool Str(std::string* v) {
        uint32_t n = 0;
        if (!U32(&n) || data_.size() - pos_ < n) return false;
        v->assign(data_.data() + pos_, n);
        pos_ += n;
        return true;
    }
    bool Byte(char* c) {
        if (pos_ >= data_.size()) return false;
        *c = data_[pos_++];
        return true;
    }
    // A count of items that each take at least minBytes: never more than
    // the data left could hold.
    bool Count(uint32_t* n, size_t minBytes) {
        return U32(n) && *n <= (data_.size() - pos_) / minBytes;
    }

private:
    std::string_view data_;
    size_t pos_ = 0;
};

bool ReadMessage(Reader& r, Message* m) {
    uint32_t error = 0, line = 0, column = 0;
    if (!r.U32(&error) || !r.U32(&line) || !r.U32(&column) || !r.Str(&m->text) ||
        !r.Str(&m->entry) || !r.Str(&m->file)) {
        return false;
    }
    m->severity = (error & 1u) != 0 ? Severity::Error : Severity::Warning;
    m->line = static_cast<int>(line);
    m->column = static_cast<int>(column);
    return true;
}

bool ReadAnswer(Reader& r, CompiledPass* out) {
    uint32_t ok = 0, count = 0;
    if (!r.U32(&ok) || !r.Count(&count, 4)) return false;
    out->ok = ok != 0;
    out->glsl.resize(count);
    for (auto& g : out->glsl) {
        if (!r.Str(&g)) return false;
    }
    if (!r.Count(&count, 24)) return false;
    out->messages.resize(count);
    for (Message& m : out->messages) {
        if (!ReadMessage(r, &m)) return false;
    }
    if (!r.Count(&count, 4)) return false;
    out->samplers.resize(count);
    for (auto& name : out->samplers) {
        if (!r.Str(&name)) return false;
    }
    for (auto* table : {&out->vertexConstants, &out->pixelConstants}) {
        if (!r.Count(&count, 20)) return false;
        table->resize(count);
        for (ConstantRegisters& c : *table) {
            uint32_t set = 0, start = 0, registers = 0, values = 0;
            if (!r.Str(&c.name) || !r.U32(&set) || !r.U32(&start) || !r.U32(&registers) ||
                !r.Count(&values, 4) || set > 2) {
                return false;
            }
            c.set = static_cast<RegisterSet>(set);
            c.start = static_cast<int>(start);
            c.count = static_cast<int>(registers);
            c.values.resize(values);
            for (float& v : c.values) {
                uint32_t bits = 0;
                if (!r.U32(&bits)) return false;
                std::memcpy(&v, &bits, sizeof v);
            }
        }
    }
    return true;
}

// Reads the child's stream: the last stage it started and, if it got that far,
// its result. False when the stream is malformed or ends early.
bool Deserialize(std::string_view data, int* lastStage, CompiledPass* out) {
    Reader r(data);
    char tag = 0;
    while (r.Byte(&tag)) {
        if (tag == 'P') {
            uint32_t stage = 0;
            if (!r.U32(&stage)) return false;
            *lastStage = static_cast<int>(stage);
        } else {
            return tag == 'R' && ReadAnswer(r, out);
        }
    }
    return false;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// >> the child

ChildFault g_childFault = ChildFault::None;
int g_childFaultStage = 0;

void WriteProgress(int fd, int stageIndex) {
    std::string s = "P";
    PutU32(&s, static_cast<uint32_t>(stageIndex));
    WriteAll(fd, s.data(), s.size());
    if (g_childFault != ChildFault::None && stageIndex == g_childFaultStage) {
        if (g_childFault == ChildFault::Crash) raise(SIGSEGV);
        for (;;) pause();
    }
}

[[noreturn]] void RunChild(int fd, const PassSources& sources, const PassConventions& conventions) {
    // Die by the signal itself, not through a handler the parent installed
    // (a sanitizer's, for one), so that the parent can report it.
    for (int sig : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGPIPE}) signal(sig, SIG_DFL);
    int code = 0;
    try {
        CompiledPass out = CompileWithProgress(sources, conventions,
                                               [fd](int stage) { WriteProgress(fd, stage); });
        std::string answer = Serialize(out);
        if (!WriteAll(fd, answer.data(), answer.size())) code = 2;
    } catch (...) {
        code = 3;
    }
    close(fd);
    _exit(code);
}

// >> the parent

constexpr size_t kMaxAnswerBytes = 64u << 20;

struct ChildRun {
    std::string data;
    bool timedOut = false;
    bool tooLong = false;
    int status = 0;
};

// Reads everything the child says until it closes the pipe or time runs
// out; then the child is gone (killed if it must be) and reaped.
void CollectChild(pid_t pid, int fd, int timeLimitMs, ChildRun* run) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeLimitMs);
    char chunk[65536];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            run->timedOut = true;
            break;
        }
        pollfd p{fd, POLLIN, 0};
        int n = poll(&p, 1, static_cast<int>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        if (n == 0) continue;  // the deadline check above ends the loop
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) break;
        run->data.append(chunk, static_cast<size_t>(got));
        if (run->data.size() > kMaxAnswerBytes) {
            run->tooLong = true;
            break;
        }
    }
    close(fd);
    if (run->timedOut || run->tooLong) kill(pid, SIGKILL);
    while (waitpid(pid, &run->status, 0) < 0 && errno == EINTR) {
    }
}

std::string EntryName(const PassSources& sources, int index) {
    if (index >= 0 && static_cast<size_t>(index) < sources.stages.size())
        return sources.stages[index].entry;
    return sources.stages.empty() ? std::string("the effect") : sources.stages.front().entry;
}

// The answer, or what went wrong with the child.
CompiledPass Verdict(const ChildRun& run, const PassSources& sources, int timeLimitMs) {
    int lastStage = -1;
    CompiledPass out;
    bool complete = Deserialize(run.data, &lastStage, &out);
    std::string entry = EntryName(sources, lastStage);
    if (run.timedOut) {
        std::string limit = timeLimitMs % 1000 == 0 ? std::to_string(timeLimitMs / 1000) + " s"
                                                    : std::to_string(timeLimitMs) + " ms";
        return Failed("the shader compiler did not finish within " + limit + " while compiling " +
                      entry + " and was stopped");
    }
    if (run.tooLong) return Failed("the shader compiler's answer for " + entry + " is too long");
    if (WIFSIGNALED(run.status)) {
        return Failed("the shader compiler crashed (signal " +
                      std::to_string(WTERMSIG(run.status)) + ") while compiling " + entry);
    }
    if (!complete || !WIFEXITED(run.status) || WEXITSTATUS(run.status) != 0) {
        return Failed("the shader compiler stopped without an answer (exit " +
                      std::to_string(WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1) +
                      ") while compiling " + entry);
    }
    return out;
}

}  // namespace

void SetChildFaultForTesting(ChildFault fault, int stageIndex) {
    g_childFault = fault;
    g_childFaultStage = stageIndex;
}

CompiledPass CompilePass(const PassSources& sources, const PassConventions& conventions) {
    return CompileWithProgress(sources, conventions, {});
}

CompiledPass CompilePassInChild(const PassSources& sources, const PassConventions& conventions,
                                int timeLimitMs) {
    WarmUpGlslang();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return Failed(std::string("cannot start the shader compiler: ") + std::strerror(errno));
    }
    pid_t pid = fork();
    if (pid < 0) {
        int err = errno;
        close(fds[0]);
        close(fds[1]);
        return Failed(std::string("cannot start the shader compiler: ") + std::strerror(err));
    }
    if (pid == 0) {
        close(fds[0]);
        RunChild(fds[1], sources, conventions);
    }
    close(fds[1]);
    ChildRun run;
    CollectChild(pid, fds[0], timeLimitMs, &run);
    return Verdict(run, sources, timeLimitMs);
}

}  // namespace fx
