#include "tests/support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

extern char** environ;

namespace testing_support {

namespace {

using Clock = std::chrono::steady_clock;

// The child's environment, built before fork: nothing may allocate after it.
std::vector<std::string> ChildEnvironment(const ProcessOptions& options) {
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string text = *entry;
        std::string name = text.substr(0, text.find('='));
        bool replaced = false;
        for (const auto& [key, value] : options.env) replaced = replaced || key == name;
        for (const std::string& key : options.unsetEnv) replaced = replaced || key == name;
        if (!replaced) env.push_back(text);
    }
    for (const auto& [key, value] : options.env) env.push_back(key + "=" + value);
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

Process::~Process() {
    if (pid_ > 0 && !reaped_) {
        kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        reaped_ = true;
    }
    if (reader_.joinable()) reader_.join();
}

bool Process::Start(const ProcessOptions& options) {
    result_ = ProcessResult{};
    if (options.args.empty()) {
        result_.startError = "no program given";
        return false;
    }
    std::vector<std::string> args = options.args;
    std::vector<std::string> env = ChildEnvironment(options);
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(env);

    int outPipe[2], errPipe[2], execPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0 ||
        pipe2(execPipe, O_CLOEXEC) != 0) {
        result_.startError = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    pid_ = fork();
    if (pid_ < 0) {
        result_.startError = std::string("fork: ") + std::strerror(errno);
        return false;
    }
    if (pid_ == 0) {
        // Own process group, so that a time-out ends its children too.
        setpgid(0, 0);
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        int devNull = open("/dev/null", O_RDONLY);
        if (devNull >= 0) dup2(devNull, STDIN_FILENO);
        if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0) {
            int error = errno;
            (void)!write(execPipe[1], &error, sizeof error);
            _exit(127);
        }
        execvpe(argv[0], argv.data(), envp.data());
        int error = errno;
        (void)!write(execPipe[1], &error, sizeof error);
        _exit(127);
    }
    setpgid(pid_, pid_);
    close(outPipe[1]);
    close(errPipe[1]);
    close(execPipe[1]);
    int childError = 0;
    ssize_t got = read(execPipe[0], &childError, sizeof childError);
    close(execPipe[0]);
    if (got == static_cast<ssize_t>(sizeof childError)) {
        waitpid(pid_, nullptr, 0);
        reaped_ = true;
        close(outPipe[0]);
        close(errPipe[0]);
        result_.startError = "cannot run " + options.args[0] + ": " + std::strerror(childError);
        return false;
    }
    result_.started = true;
    reader_ = std::thread(&Process::ReadOutput, this, outPipe[0], errPipe[0]);
    return true;
}

void Process::ReadOutput(int outFd, int errFd) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    int openCount = 2;
    char buffer[4096];
    while (openCount > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                std::lock_guard<std::mutex> lock(mutex_);
                (i == 0 ? out_ : err_).append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --openCount;
            }
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    outputClosed_ = true;
}

std::string Process::Out() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return out_;
}

std::string Process::Err() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return err_;
}

bool Process::WaitForOutput(const std::string& text, int timeoutMs) const {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (out_.find(text) != std::string::npos) return true;
            if (outputClosed_) return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool Process::Running() const {
    if (pid_ <= 0 || reaped_) return false;
    // Look without reaping, so that Wait still gets the exit status.
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return false;
    return info.si_pid == 0;
}

void Process::Signal(int signal) const {
    if (pid_ > 0 && !reaped_) kill(pid_, signal);
}

ProcessResult Process::Wait(int timeoutMs) {
    if (!result_.started || reaped_) return result_;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    struct rusage usage{};
    while (true) {
        pid_t done = wait4(pid_, &status, WNOHANG, &usage);
        if (done == pid_) break;
        if (Clock::now() >= deadline) {
            result_.timedOut = true;
            kill(-pid_, SIGKILL);
            wait4(pid_, &status, 0, &usage);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    reaped_ = true;
    // Whatever the process group left holding the pipes was killed with it,
    // or the pipes closed at exit: the reader ends.
    if (result_.timedOut || !WIFEXITED(status)) kill(-pid_, SIGKILL);
    if (reader_.joinable()) reader_.join();
    if (WIFEXITED(status)) result_.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result_.signal = WTERMSIG(status);
    result_.maxResidentKiB = usage.ru_maxrss;
    result_.out = Out();
    result_.err = Err();
    return result_;
}

ProcessResult RunProcess(const ProcessOptions& options, int timeoutMs) {
    Process process;
    if (!process.Start(options)) return process.Wait(0);
    return process.Wait(timeoutMs);
}

}  // namespace testing_support
