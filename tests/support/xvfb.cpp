#include "tests/support/xvfb.h"

#include "tests/support/process.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
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

// Generous: a tool killed half-way could leave a key held down.
constexpr int kToolTimeoutMs = 30000;

ProcessResult RunTool(const std::string& display, std::vector<std::string> args) {
    ProcessOptions options;
    options.args = std::move(args);
    options.env = {{"DISPLAY", display}};
    return RunProcess(options, kToolTimeoutMs);
}

bool Succeeded(const ProcessResult& result) { return result.started && result.exitCode == 0; }

std::string Describe(const std::vector<std::string>& args, const ProcessResult& result) {
    std::string text;
    for (const std::string& arg : args) text += (text.empty() ? "" : " ") + arg;
    if (!result.started) return text + ": " + result.startError;
    if (result.timedOut) text += ": timed out";
    if (result.signal != 0) text += ": signal " + std::to_string(result.signal);
    if (result.exitCode >= 0) text += ": exit " + std::to_string(result.exitCode);
    return text + ": " + result.err;
}

bool g_xError = false;

int NoteXError(Display*, XErrorEvent*) {
    g_xError = true;
    return 0;
}

}  // namespace

Xvfb::~Xvfb() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        // Give it a moment to remove its lock file, then make sure. Once
        // reaped, its pid may be another process's: no signal after that.
        bool reaped = false;
        for (int i = 0; i < 500 && !reaped; ++i) {
            reaped = waitpid(pid_, &status, WNOHANG) != 0;
            if (!reaped) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!reaped) {
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

// The key goes through the server's keyboard (XTEST) to the focus, not to a
// named window: "xdotool key --window" looks the focus up again for the
// release and, when the press has just closed the window (Esc), sends the
// release to the window that is gone and fails.
bool Xvfb::SendKey(const std::string& windowId, const std::string& key) const {
    return Focus(windowId) && PressKey(key);
}

bool Xvfb::PressKey(const std::string& key) const {
    std::vector<std::string> args = {"xdotool", "key", key};
    ProcessResult result = RunTool(display_, args);
    if (Succeeded(result)) return true;
    lastError_ = Describe(args, result);
    return false;
}

bool Xvfb::Focus(const std::string& windowId) const {
    Display* display = XOpenDisplay(display_.c_str());
    if (display == nullptr) {
        lastError_ = "cannot open display " + display_;
        return false;
    }
    // A window that went away is a failed focus, not the end of the test.
    auto previous = XSetErrorHandler(NoteXError);
    Window window = static_cast<Window>(std::stoul(windowId));
    lastError_ = "window " + windowId + " never became viewable";
    bool focused = false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kToolTimeoutMs);
    while (!focused && std::chrono::steady_clock::now() < deadline) {
        g_xError = false;
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, window, &attributes) == 0 || g_xError) {
            lastError_ = "window " + windowId + " is gone";
            break;
        }
        // Only a viewable window can take the focus.
        if (attributes.map_state == IsViewable) {
            XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(display, &focus, &revert);
            focused = !g_xError && focus == window;
            if (!focused) lastError_ = "window " + windowId + " did not take the focus";
        }
        if (!focused) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return focused;
}

// xdotool's windowclose destroys the window outright; a close box asks the
// client instead, with the WM_DELETE_WINDOW protocol.
bool Xvfb::SendCloseRequest(const std::string& windowId) const {
    Display* display = XOpenDisplay(display_.c_str());
    if (display == nullptr) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = static_cast<Window>(std::stoul(windowId));
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    bool sent = XSendEvent(display, event.xclient.window, False, NoEventMask, &event) != 0;
    XSync(display, False);
    XCloseDisplay(display);
    return sent;
}

bool Xvfb::WindowPixels(const std::string& windowId, std::vector<uint32_t>* rgb, int* width,
                        int* height) const {
    Display* display = XOpenDisplay(display_.c_str());
    if (display == nullptr) return false;
    // A window that went away is a failed read, not the end of the test.
    g_xError = false;
    auto previous = XSetErrorHandler(NoteXError);
    Window window = static_cast<Window>(std::stoul(windowId));
    XWindowAttributes attributes{};
    XImage* image = nullptr;
    if (XGetWindowAttributes(display, window, &attributes) != 0) {
        image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                          static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    }
    XSync(display, False);
    bool ok = image != nullptr && !g_xError;
    if (ok) {
        *width = attributes.width;
        *height = attributes.height;
        rgb->resize(static_cast<size_t>(*width) * *height);
        for (int y = 0; y < *height; ++y) {
            for (int x = 0; x < *width; ++x) {
                (*rgb)[static_cast<size_t>(y) * *width + x] =
                    static_cast<uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF);
            }
        }
    }
    if (image != nullptr) XDestroyImage(image);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return ok;
}

bool Xvfb::Screenshot(const std::string& path) const {
    return Succeeded(RunTool(display_, {"import", "-window", "root", path}));
}

// >> a window of the test's own

FocusWindow::~FocusWindow() {
    if (display_ != nullptr) {
        if (window_ != 0) XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
}

bool FocusWindow::Open(const std::string& display, int x, int y, std::string* error) {
    display_ = XOpenDisplay(display.c_str());
    if (display_ == nullptr) {
        *error = "cannot open display " + display;
        return false;
    }
    Window root = DefaultRootWindow(display_);
    window_ = XCreateSimpleWindow(display_, root, x, y, 100, 100, 0, 0, 0xFFFFFF);
    XStoreName(display_, window_, "editor");
    XSelectInput(display_, window_, KeyPressMask | StructureNotifyMask);
    XMapWindow(display_, window_);

    // Focus can only go to a window that is mapped.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool mapped = false;
    while (!mapped && std::chrono::steady_clock::now() < deadline) {
        XEvent event;
        if (XCheckWindowEvent(display_, window_, StructureNotifyMask, &event)) {
            mapped = event.type == MapNotify;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    if (!mapped) {
        *error = "the focus window was never mapped";
        return false;
    }
    XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
    XSync(display_, False);
    if (!HasFocus()) {
        *error = "the focus window did not get the focus";
        return false;
    }
    return true;
}

bool FocusWindow::HasFocus() const {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    return focus == window_;
}

bool FocusWindow::WaitForKey(const std::string& key, int timeoutMs) const {
    KeySym wanted = XStringToKeysym(key.c_str());
    KeyCode code = XKeysymToKeycode(display_, wanted);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool pressed = false;
    while (std::chrono::steady_clock::now() < deadline) {
        XEvent event;
        while (!pressed && XCheckWindowEvent(display_, window_, KeyPressMask, &event)) {
            pressed = XLookupKeysym(&event.xkey, 0) == wanted;
        }
        if (pressed) {
            // The server's own key state: a held-up sender may release late.
            char keys[32] = {};
            XQueryKeymap(display_, keys);
            if ((keys[code / 8] & (1 << (code % 8))) == 0) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

}  // namespace testing_support
