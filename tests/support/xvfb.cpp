#include "tests/support/xvfb.h"

#include "tests/support/process.h"

#include <X11/Xlib.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace testing_support {

namespace {

constexpr int kToolTimeoutMs = 10000;

ProcessResult RunTool(const std::string& display, std::vector<std::string> args) {
    ProcessOptions options;
    options.args = std::move(args);
    options.env = {{"DISPLAY", display}};
    return RunProcess(options, kToolTimeoutMs);
}

bool Succeeded(const ProcessResult& result) { return result.started && result.exitCode == 0; }

}  // namespace

Xvfb::~Xvfb() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        // Give it a moment to remove its lock file, then make sure.
        for (int i = 0; i < 100 && waitpid(pid_, &status, WNOHANG) == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (kill(pid_, 0) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
    }
}

bool Xvfb::Start(std::string* error) {
    int displayPipe[2];
    if (pipe(displayPipe) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    fcntl(displayPipe[0], F_SETFD, FD_CLOEXEC);
    std::string fd = std::to_string(displayPipe[1]);
    pid_ = fork();
    if (pid_ < 0) {
        *error = std::string("fork: ") + std::strerror(errno);
        return false;
    }
    if (pid_ == 0) {
        int devNull = open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            dup2(devNull, STDIN_FILENO);
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
        }
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
               "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(displayPipe[1]);

    // The server writes its display number once it accepts connections.
    std::string number;
    pollfd pfd{displayPipe[0], POLLIN, 0};
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (poll(&pfd, 1, 100) <= 0) continue;
        char c = 0;
        ssize_t n = read(displayPipe[0], &c, 1);
        if (n <= 0 || c == '\n') break;
        number += c;
    }
    close(displayPipe[0]);
    if (number.empty()) {
        *error = "Xvfb did not start (is the xvfb package installed?)";
        return false;
    }
    display_ = ":" + number;
    return true;
}

std::string Xvfb::FindWindow(const std::string& name, int timeoutMs) const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        ProcessResult found =
            RunTool(display_, {"xdotool", "search", "--onlyvisible", "--name", "^" + name + "$"});
        if (Succeeded(found) && !found.out.empty()) return found.out.substr(0, found.out.find('\n'));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return "";
}

bool Xvfb::SendKey(const std::string& windowId, const std::string& key) const {
    return Succeeded(RunTool(display_, {"xdotool", "mousemove", "--window", windowId, "100", "100"})) &&
           Succeeded(RunTool(display_, {"xdotool", "key", "--window", windowId, key}));
}

// xdotool's windowclose destroys the window outright; a close box asks the
// client instead, with the WM_DELETE_WINDOW protocol. libX11 is opened at
// run time so that the tests do not link it.
bool Xvfb::SendCloseRequest(const std::string& windowId) const {
    void* x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (x11 == nullptr) return false;
    auto openDisplay = reinterpret_cast<decltype(&XOpenDisplay)>(dlsym(x11, "XOpenDisplay"));
    auto internAtom = reinterpret_cast<decltype(&XInternAtom)>(dlsym(x11, "XInternAtom"));
    auto sendEvent = reinterpret_cast<decltype(&XSendEvent)>(dlsym(x11, "XSendEvent"));
    auto sync = reinterpret_cast<decltype(&XSync)>(dlsym(x11, "XSync"));
    auto closeDisplay = reinterpret_cast<decltype(&XCloseDisplay)>(dlsym(x11, "XCloseDisplay"));
    bool sent = false;
    if (openDisplay && internAtom && sendEvent && sync && closeDisplay) {
        Display* display = openDisplay(display_.c_str());
        if (display != nullptr) {
            XEvent event{};
            event.xclient.type = ClientMessage;
            event.xclient.window = static_cast<Window>(std::stoul(windowId));
            event.xclient.message_type = internAtom(display, "WM_PROTOCOLS", False);
            event.xclient.format = 32;
            event.xclient.data.l[0] = static_cast<long>(internAtom(display, "WM_DELETE_WINDOW", False));
            event.xclient.data.l[1] = CurrentTime;
            sent = sendEvent(display, event.xclient.window, False, NoEventMask, &event) != 0;
            sync(display, False);
            closeDisplay(display);
        }
    }
    dlclose(x11);
    return sent;
}

bool Xvfb::Screenshot(const std::string& path) const {
    return Succeeded(RunTool(display_, {"import", "-window", "root", path}));
}

}  // namespace testing_support
