// Runs another program for end-to-end tests: arguments, working directory,
// extra environment; standard output and error captured while it runs;
// waiting with a time limit (the process group is killed when it runs out).
#pragma once

#include <sys/types.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testing_support {

struct ProcessOptions {
    std::vector<std::string> args;  // args[0]: the program (searched in PATH without a '/')
    std::string cwd;                // empty: the test's own
    std::vector<std::pair<std::string, std::string>> env;  // set or replaced
    std::vector<std::string> unsetEnv;                     // removed
};

struct ProcessResult {
    bool started = false;
    bool timedOut = false;  // killed because the time limit ran out
    int exitCode = -1;      // when it exited on its own
    int signal = 0;         // when a signal ended it
    std::string out;
    std::string err;
    std::string startError;  // why it could not start
    long maxResidentKiB = 0;  // the most memory it held at once (with its own children)
};

// A program running in the background.
class Process {
public:
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();  // kills and reaps a process still running

    // False (with the reason in Wait's result) when it cannot start.
    bool Start(const ProcessOptions& options);

    // What it wrote so far.
    std::string Out() const;
    std::string Err() const;

    // Waits until its standard output contains text; false on timeout or exit.
    bool WaitForOutput(const std::string& text, int timeoutMs) const;

    // Waits for the end; kills the process group after timeoutMs.
    ProcessResult Wait(int timeoutMs);

    bool Running() const;
    void Signal(int signal) const;
    pid_t pid() const { return pid_; }

private:
    void ReadOutput(int outFd, int errFd);

    pid_t pid_ = -1;
    bool reaped_ = false;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::string out_;
    std::string err_;
    bool outputClosed_ = false;
    ProcessResult result_;
};

// Starts, waits, and hands back everything.
ProcessResult RunProcess(const ProcessOptions& options, int timeoutMs);

}  // namespace testing_support
