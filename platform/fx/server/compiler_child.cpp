// Stages 5 and 6 for one pass, and the compiler server and its workers that
// keep glslang away from the program (see compiler_child.h).
//
//   >> stages 5 and 6    the work itself, wherever it runs
//   >> limits            what the server and a worker may take
//   >> the worker        forked ahead by the server as its spare; one pass
//   >> the server        forked once by the program; hands each pass to a worker
//   >> the program side  starts, asks, reaps
//
// Traps: a process forked from a program with threads holds only the
// forking thread, so the server does nothing but read, fork and write, and
// glslang runs only in workers, which are forked from the single-threaded
// server. PR_SET_PDEATHSIG fires when the thread that forked exits, not the
// process: a server started from a thread that ends is simply started
// again by the next compile.
#include "platform/fx/server/compiler_child.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>
#include <thread>

#include "platform/fx/5_glslang/5_hlsl_to_spirv.h"
#include "platform/fx/server/compiler_wire.h"

// AddressSanitizer reserves terabytes of address space for its shadow
// memory; under it a worker gets no address-space limit (its time and CPU
// limits still hold).
#if defined(__SANITIZE_ADDRESS__)
#define FX_UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FX_UNDER_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef FX_UNDER_ADDRESS_SANITIZER
#define FX_UNDER_ADDRESS_SANITIZER 0
#endif

namespace fx {
namespace {

using Clock = std::chrono::steady_clock;

// Rounded up: a limit is waited for whole, never stopped short by the
// fraction of a millisecond that poll's timeout cannot say.
long long MillisecondsLeft(Clock::time_point deadline) {
    return std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
}

CompiledPass Failed(std::string text, SourcePos at = {}) {
    CompiledPass failed;
    MessageCollector(&failed.messages).Error(std::move(at), std::move(text));
    return failed;
}

// >> stages 5 and 6

CompiledPass CompileWithProgress(const PassSources& sources, const PassConventions& conventions,
                                 const StageProgress& progress) {
    if (sources.stages.empty()) return Failed("nothing to compile");
    CompiledPass out;
    MessageCollector messages(&out.messages);
    std::vector<SpirvModule> modules(sources.stages.size());
    bool ok = true;
    for (size_t i = 0; i < sources.stages.size(); ++i) {
        if (progress) progress(static_cast<int>(i));
        ok &= HlslToSpirv(sources.stages[i], &modules[i], messages);
        out.slots = std::max(out.slots, modules[i].slots);
    }
    if (!ok) return out;
    SpirvToGlsl(std::move(modules), conventions, progress, &out, messages);
    return out;
}

// >> limits

// The answer of one worker is a few kilobytes; anything near this is a flood.
constexpr size_t kMaxAnswerBytes = 64u << 20;
// A request carries the effect's text once per stage, with its map (20 bytes a
// token).
constexpr size_t kMaxRequestBytes = 256u << 20;
// How long the program waits for the server beyond the worker's time limit
// (the server stops the worker itself; this is for a server gone wrong).
constexpr int kServerGraceMs = 5000;
// The server's own CPU time: forks and copies, a few milliseconds a pass.
// At the limit it dies, and the next compile starts a fresh one.
constexpr rlim_t kServerCpuSeconds = 600;
// A worker's CPU time beyond its wall-clock limit: the wall clock stops it
// first; this stops a worker whose server no longer watches it.
constexpr rlim_t kWorkerCpuSlackSeconds = 2;
// How a worker's end is reported when it had none of its own: no worker
// could be forked, or the request did not decode.
constexpr int kNoWorkerExit = 5;
constexpr int kBadRequestExit = 6;
// The exit code of a worker whose allocation failed.
constexpr int kOutOfMemoryExit = 4;

// Lowers a limit of this process (a limit can only be lowered).
void Lower(int resource, rlim_t soft, rlim_t hard) {
    rlimit now{};
    if (getrlimit(resource, &now) != 0) return;
    if (now.rlim_max != RLIM_INFINITY && hard > now.rlim_max) hard = now.rlim_max;
    rlimit want{soft < hard ? soft : hard, hard};
    setrlimit(resource, &want);
}

// The bytes of address space this process has mapped.
rlim_t AddressSpaceInUse() {
    unsigned long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%lu", &pages) != 1) pages = 0;
        std::fclose(f);
    }
    return static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
}

// Right after fork: dies with the parent, and is gone at once if the parent
// already is (then the child has been handed to another process).
bool TieToParent(pid_t parent) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    return getppid() == parent;
}

// Writes all of data to a socket; with a deadline, gives up when it passes
// (a peer that stops reading cannot hold the writer).
bool WriteAll(int fd, const char* data, size_t size,
              Clock::time_point deadline = Clock::time_point::max()) {
    const bool bounded = deadline != Clock::time_point::max();
    while (size > 0) {
        ssize_t n = send(fd, data, size, MSG_NOSIGNAL | (bounded ? MSG_DONTWAIT : 0));
        if (n < 0 && bounded && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const long long left = MillisecondsLeft(deadline);
            if (left <= 0) return false;
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, static_cast<int>(std::min<long long>(left, 1 << 30)));
            continue;
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Messages between the program and the server, and the server's request to
// a worker: a 64-bit length, then that many bytes.
bool SendFrame(int fd, const std::string& payload,
               Clock::time_point deadline = Clock::time_point::max()) {
    uint64_t size = payload.size();
    return WriteAll(fd, reinterpret_cast<const char*>(&size), sizeof size, deadline) &&
           WriteAll(fd, payload.data(), payload.size(), deadline);
}

enum class Received { Frame, Closed, TimedOut, Broken };

// Reads from fd until `want` bytes are in *out or the deadline passes.
Received ReadUntil(int fd, size_t want, Clock::time_point deadline, std::string* out) {
    char chunk[65536];
    while (out->size() < want) {
        int waitMs = -1;
        if (deadline != Clock::time_point::max()) {
            const long long left = MillisecondsLeft(deadline);
            if (left <= 0) return Received::TimedOut;
            waitMs = static_cast<int>(std::min<long long>(left, 1 << 30));
        }
        pollfd p{fd, POLLIN, 0};
        int n = poll(&p, 1, waitMs);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Received::Broken;
        if (n == 0) continue;  // the deadline check above ends the loop
        ssize_t got = read(fd, chunk, std::min(sizeof chunk, want - out->size()));
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got < 0) return Received::Broken;
        if (got == 0) return out->empty() ? Received::Closed : Received::Broken;
        out->append(chunk, static_cast<size_t>(got));
    }
    return Received::Frame;
}

Received ReceiveFrame(int fd, size_t maxBytes, Clock::time_point deadline, std::string* out) {
    std::string head;
    Received got = ReadUntil(fd, sizeof(uint64_t), deadline, &head);
    if (got != Received::Frame) return got;
    uint64_t size = 0;
    std::memcpy(&size, head.data(), sizeof size);
    if (size > maxBytes) return Received::Broken;
    out->clear();
    got = ReadUntil(fd, static_cast<size_t>(size), deadline, out);
    return got == Received::Closed ? Received::Broken : got;
}

// >> the worker

ChildFault g_childFault = ChildFault::None;
int g_childFaultStage = 0;

// The fault the test asked for, in the worker, at its stage.
void MaybeFail(const CompileRequest& request, int stageIndex) {
    if (request.fault == ChildFault::None || stageIndex != request.faultStage) return;
    if (request.fault == ChildFault::Crash) raise(SIGSEGV);
    if (request.fault == ChildFault::Allocate) {
        for (;;) {
            char* block = new char[64u << 20];
            std::memset(block, 1, 64u << 20);
        }
    }
    for (;;) pause();
}

// A spare: forked ahead of time, it waits for its request on a channel of
// its own; then it is a worker: it compiles, writes its stream and exits.
[[noreturn]] void RunWorker(int fd) {
    // Die by the signal itself, not through a handler the program installed
    // (a sanitizer's, for one), so that the server can report it.
    for (int sig : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGPIPE, SIGXCPU}) {
        signal(sig, SIG_DFL);
    }
    // At the memory limit glslang's allocations fail: say so and go.
    std::set_new_handler([] { _exit(kOutOfMemoryExit); });

    std::string frame;
    if (ReceiveFrame(fd, kMaxRequestBytes, Clock::time_point::max(), &frame) != Received::Frame) {
        _exit(0);  // the server let it go unused
    }
    CompileRequest request;
    if (!DecodeRequest(frame, &request)) _exit(kBadRequestExit);
    frame = std::string();
    // Its CPU time so far is next to nothing: the limit counts from here.
    const rlim_t cpu =
        static_cast<rlim_t>(std::max(request.timeLimitMs, 0) / 1000) + kWorkerCpuSlackSeconds;
    Lower(RLIMIT_CPU, cpu, cpu + 1);
    prctl(PR_SET_NAME, "fx-worker");

    int code = 0;
    try {
        CompiledPass out = CompileWithProgress(
            request.sources, request.conventions, [fd, &request](int stage) {
                std::string record = EncodeProgress(stage);
                WriteAll(fd, record.data(), record.size());
                MaybeFail(request, stage);
            });
        TrimMessages(&out.messages, &out.unshownErrors, &out.unshownWarnings);
        std::string answer = EncodeResult(out);
        if (!WriteAll(fd, answer.data(), answer.size())) code = 2;
    } catch (const std::bad_alloc&) {
        code = kOutOfMemoryExit;
    } catch (...) {
        code = 3;
    }
    if (code == 0) {
        // The stream is whole: wait for the server to hang up. The server
        // was woken on this CPU, and an exit (tearing down the address
        // space) would keep it from answering until it is done.
        char byte = 0;
        while (read(fd, &byte, 1) < 0 && errno == EINTR) {
        }
    }
    // Closed before the exit, so that the server reads the end now and not
    // after the address space is torn down.
    close(fd);
    _exit(code);
}

// A worker, as the server holds it: its pid and the server's end of its
// channel.
struct Worker {
    pid_t pid = 0;
    int fd = -1;
};

// Forks a worker that waits for its request (see RunWorker).
bool ForkWorker(int serverSocket, Worker* worker) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return false;
    const pid_t server = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        close(ends[0]);
        close(ends[1]);
        return false;
    }
    if (pid == 0) {
        if (!TieToParent(server)) _exit(1);
        prctl(PR_SET_NAME, "fx-spare");
        if (!FX_UNDER_ADDRESS_SANITIZER) {
            const rlim_t memory = AddressSpaceInUse() + kCompilerMemoryBytes;
            Lower(RLIMIT_AS, memory, memory);
        }
        // Last, so that its files only ever go down to the one it keeps.
        close(serverSocket);
        close(ends[0]);
        RunWorker(ends[1]);
    }
    close(ends[1]);
    *worker = {pid, ends[0]};
    return true;
}

// A worker the server is done with, whatever it is doing: killed, reaped.
void Discard(Worker* worker) {
    if (worker->fd >= 0) close(worker->fd);
    if (worker->pid > 0) {
        kill(worker->pid, SIGKILL);
        while (waitpid(worker->pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    *worker = Worker{};
}

// Reads what the worker says until its stream holds the whole result, it
// closes its end, or time runs out. A worker that answered is left to be
// reaped after the answer went out (busy->pid stays); any other is gone
// (killed if it must be), reaped, and its status is the run's.
void CollectWorker(Worker* busy, Clock::time_point deadline, WorkerRun* run) {
    char chunk[65536];
    bool answered = false;
    for (;;) {
        const long long left = MillisecondsLeft(deadline);
        if (left <= 0) {
            run->timedOut = true;
            break;
        }
        pollfd p{busy->fd, POLLIN, 0};
        int n = poll(&p, 1, static_cast<int>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        if (n == 0) continue;
        ssize_t got = read(busy->fd, chunk, sizeof chunk);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) break;
        run->stream.append(chunk, static_cast<size_t>(got));
        if (run->stream.size() > kMaxAnswerBytes) {
            run->tooLong = true;
            run->stream.resize(kMaxAnswerBytes);  // its start names the entry point
            break;
        }
        int lastStage = -1;
        CompiledPass result;
        if (DecodeStream(run->stream, &lastStage, &result)) {
            answered = true;
            break;
        }
    }
    close(busy->fd);
    busy->fd = -1;
    if (answered) {
        run->status = 0;
        return;
    }
    if (run->timedOut || run->tooLong) kill(busy->pid, SIGKILL);
    while (waitpid(busy->pid, &run->status, 0) < 0 && errno == EINTR) {
    }
    busy->pid = 0;
}

// One request, to the spare or, when there is none or it died while it
// waited, to a worker forked for it. The worker's time starts when it is
// handed the request. A spare that dies before it starts (nothing in its
// stream: a kill while it waited) is replaced once.
void RunRequest(int serverSocket, const std::string& frame, int timeLimitMs, Worker* spare,
                Worker* busy, WorkerRun* run) {
    if (spare->pid != 0 && waitpid(spare->pid, nullptr, WNOHANG) != 0) {
        close(spare->fd);  // it died (reaped now)
        *spare = Worker{};
    }
    for (;;) {
        const bool fresh = spare->pid == 0;
        if (fresh && !ForkWorker(serverSocket, spare)) {
            run->status = W_EXITCODE(kNoWorkerExit, 0);
            return;
        }
        *busy = *spare;
        *spare = Worker{};
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeLimitMs);
        if (!SendFrame(busy->fd, frame, deadline) && !fresh) {
            Discard(busy);
            continue;
        }
        *run = WorkerRun{};
        CollectWorker(busy, deadline, run);
        const bool diedWaiting =
            run->stream.empty() && !run->timedOut && WIFSIGNALED(run->status);
        if (fresh || !diedWaiting) return;
    }
}

// >> the server

// Only the socket stays open (as fd 3); standard input and output read and
// write nothing; standard error stays, for what a sanitizer may say.
void KeepOnly(int socket) {
    dup2(socket, 3);
    if (close_range(4, ~0u, 0) != 0) {
        for (int fd = 4; fd < 65536; ++fd) close(fd);
    }
    int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        if (null > 3) close(null);
    }
}

[[noreturn]] void RunServer(int socket, pid_t program) {
    if (!TieToParent(program)) _exit(0);
    prctl(PR_SET_NAME, "fx-compiler");
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGCHLD}) signal(sig, SIG_DFL);
    KeepOnly(socket);
    socket = 3;
    Lower(RLIMIT_CORE, 0, 0);
    Lower(RLIMIT_CPU, kServerCpuSeconds, kServerCpuSeconds + 1);
    if (!FX_UNDER_ADDRESS_SANITIZER) {
        const rlim_t memory = AddressSpaceInUse() + kCompilerMemoryBytes;
        Lower(RLIMIT_AS, memory, memory);
    }

    // The tables every worker starts with, and the first spare, warm.
    WarmUpGlslang();
    Worker spare;
    ForkWorker(socket, &spare);

    for (;;) {
        std::string frame;
        if (ReceiveFrame(socket, kMaxRequestBytes, Clock::time_point::max(), &frame) !=
            Received::Frame) {
            Discard(&spare);
            _exit(0);  // the program closed its end, or is gone
        }
        WorkerRun run;
        Worker busy;
        int timeLimitMs = 0;
        if (RequestTimeLimit(frame, &timeLimitMs)) {
            RunRequest(socket, frame, timeLimitMs, &spare, &busy, &run);
        } else {
            run.status = W_EXITCODE(kBadRequestExit, 0);
        }
        const bool sent = SendFrame(socket, EncodeWorkerRun(run));
        // Off the program's path from here: the worker that answered goes,
        // and the next spare comes.
        Discard(&busy);
        if (!sent) {
            Discard(&spare);
            _exit(0);
        }
        if (spare.pid == 0) ForkWorker(socket, &spare);
    }
}

// >> the program side

struct Server {
    pid_t pid = 0;
    int socket = -1;
    pid_t owner = 0;  // the process that started it
};
Server g_server;

// A server that is gone (or belongs to the process this one was forked
// from) is forgotten; one of ours is reaped.
void ForgetServer() {
    if (g_server.socket >= 0) close(g_server.socket);
    g_server = Server{};
}

void StopServer(bool gently) {
    if (g_server.pid == 0) return;
    if (g_server.owner != getpid()) {
        ForgetServer();
        return;
    }
    close(g_server.socket);
    g_server.socket = -1;
    // Its end of the socket reads end-of-file and it exits; give it a moment.
    const auto deadline = Clock::now() + std::chrono::milliseconds(gently ? 1000 : 0);
    int status = 0;
    for (;;) {
        pid_t done = waitpid(g_server.pid, &status, WNOHANG);
        if (done == g_server.pid || (done < 0 && errno != EINTR)) break;
        if (Clock::now() >= deadline) {
            kill(g_server.pid, SIGKILL);
            while (waitpid(g_server.pid, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ForgetServer();
}

// The process exits: the server goes with it, reaped.
struct StopServerAtExit {
    ~StopServerAtExit() { StopServer(true); }
} g_stopServerAtExit;

bool EnsureServer(MessageSink& messages) {
    if (g_server.pid != 0 && g_server.owner != getpid()) ForgetServer();
    if (g_server.pid != 0) {
        int status = 0;
        pid_t done = waitpid(g_server.pid, &status, WNOHANG);
        if (done != 0) ForgetServer();  // it died: reaped now
    }
    if (g_server.pid != 0) return true;

    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        messages.Error(std::string("cannot start the shader compiler: ") + std::strerror(errno));
        return false;
    }
    const pid_t program = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        int err = errno;
        close(ends[0]);
        close(ends[1]);
        messages.Error(std::string("cannot start the shader compiler: ") + std::strerror(err));
        return false;
    }
    if (pid == 0) {
        close(ends[0]);
        RunServer(ends[1], program);
    }
    close(ends[1]);
    g_server = {pid, ends[0], program};
    return true;
}

// The stage a worker was compiling when it stopped (the first when it had
// not begun); nullptr when there is none.
const StageSource* StageAt(const PassSources& sources, int index) {
    if (index >= 0 && static_cast<size_t>(index) < sources.stages.size())
        return &sources.stages[index];
    return sources.stages.empty() ? nullptr : &sources.stages.front();
}

std::string Duration(int ms) {
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

// The answer, or what went wrong with the worker.
CompiledPass Verdict(const WorkerRun& run, const PassSources& sources, int timeLimitMs) {
    int lastStage = -1;
    CompiledPass out;
    bool complete = DecodeStream(run.stream, &lastStage, &out);
    // What stopped the worker is said at the compile statement of the
    // stage it was compiling: the limit is the effect's, not a line's.
    const StageSource* stage = StageAt(sources, lastStage);
    const std::string entry = stage != nullptr ? stage->entry : std::string("the effect");
    const SourcePos at = stage != nullptr ? stage->compileStatement : SourcePos{};
    if (run.timedOut) {
        return Failed("the shader compiler did not finish within " + Duration(timeLimitMs) +
                      " while compiling " + entry + " and was stopped", at);
    }
    if (run.tooLong) return Failed("the shader compiler's answer for " + entry + " is too long", at);
    if (WIFSIGNALED(run.status)) {
        return Failed("the shader compiler crashed (signal " +
                      std::to_string(WTERMSIG(run.status)) + ") while compiling " + entry, at);
    }
    const int code = WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1;
    if (code == kOutOfMemoryExit) {
        return Failed("the shader compiler ran out of memory (it may take " +
                      std::to_string(kCompilerMemoryBytes >> 20) + " MB) while compiling " +
                      entry, at);
    }
    if (!complete || code != 0) {
        return Failed("the shader compiler stopped without an answer (exit " +
                      std::to_string(code) + ") while compiling " + entry, at);
    }
    return out;
}

}  // namespace

void SetChildFaultForTesting(ChildFault fault, int stageIndex) {
    g_childFault = fault;
    g_childFaultStage = stageIndex;
}

void StopCompilerServer() { StopServer(true); }

int CompilerServerPid() { return g_server.owner == getpid() ? g_server.pid : 0; }

CompiledPass CompilePass(const PassSources& sources, const PassConventions& conventions) {
    return CompileWithProgress(sources, conventions, {});
}

CompiledPass CompilePassInChild(const PassSources& sources, const PassConventions& conventions,
                                int timeLimitMs) {
    CompileRequest request{sources, conventions, timeLimitMs, g_childFault, g_childFaultStage};
    const std::string payload = EncodeRequest(request);
    // A server that died since the last compile (its CPU limit, a kill) is
    // found out when it does not take the request: once more with a new one.
    for (int attempt = 0; attempt < 2; ++attempt) {
        CompiledPass failed;
        MessageCollector messages(&failed.messages);
        if (!EnsureServer(messages)) return failed;
        std::string answer;
        Received got = Received::Broken;
        if (SendFrame(g_server.socket, payload)) {
            const auto deadline =
                Clock::now() + std::chrono::milliseconds(timeLimitMs + kServerGraceMs);
            got = ReceiveFrame(g_server.socket, kMaxAnswerBytes + 64, deadline, &answer);
        }
        WorkerRun run;
        if (got == Received::Frame && DecodeWorkerRun(answer, &run)) {
            return Verdict(run, sources, timeLimitMs);
        }
        StopServer(false);
        if (got == Received::TimedOut) {
            return Failed("the shader compiler did not answer within " +
                          Duration(timeLimitMs + kServerGraceMs) + " and was stopped");
        }
    }
    return Failed("the shader compiler stopped without an answer");
}

}  // namespace fx
