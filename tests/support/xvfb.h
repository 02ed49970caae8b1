// A private X server for end-to-end tests, and the input a person would give
// a window on it: keys (xdotool), the close box (WM_DELETE_WINDOW, what a
// window manager sends), screenshots (ImageMagick's import) and a window's
// pixels; and a window of the test's own that holds the keyboard focus.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

struct _XDisplay;

namespace testing_support {

class Xvfb {
public:
    Xvfb() = default;
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;
    ~Xvfb();  // stops the server

    // Starts "Xvfb -screen 0 1024x768x24 -nolisten tcp" on a free display
    // number that the server picks itself (-displayfd). False with a reason.
    bool Start(std::string* error);

    // ":N", valid after Start.
    const std::string& display() const { return display_; }

    // The id of the first window whose name is exactly `name`, waiting up
    // to timeoutMs for it to be mapped; "" when none appears.
    std::string FindWindow(const std::string& name, int timeoutMs) const;

    // Gives the window the keyboard focus, as clicking into it would, once
    // it is viewable. False when it is gone or never takes the focus.
    bool Focus(const std::string& windowId) const;

    // Focus, then PressKey: a person typing into the window (xdotool key
    // names: "Escape", "F5", ...).
    bool SendKey(const std::string& windowId, const std::string& key) const;

    // A real key press and release (XTEST) that goes wherever the keyboard
    // focus is, as when a person types.
    bool PressKey(const std::string& key) const;

    // What clicking the close box does: a WM_DELETE_WINDOW client message.
    bool SendCloseRequest(const std::string& windowId) const;

    // The window's pixels as 0xRRGGBB, top row first. False when the window
    // cannot be read.
    bool WindowPixels(const std::string& windowId, std::vector<uint32_t>* rgb, int* width,
                      int* height) const;

    // The whole screen as an image file (the format follows the extension).
    bool Screenshot(const std::string& path) const;

    // Why the last Focus, SendKey or PressKey failed.
    const std::string& lastError() const { return lastError_; }

private:
    pid_t pid_ = -1;
    mutable std::string lastError_;
    std::string display_;
};

// A 100 x 100 window of the test's own that takes the keyboard focus, as an
// editor beside the program would, and notes the keys that reach it.
class FocusWindow {
public:
    FocusWindow() = default;
    FocusWindow(const FocusWindow&) = delete;
    FocusWindow& operator=(const FocusWindow&) = delete;
    ~FocusWindow();  // closes it (the focus goes back to the root)

    // Maps it at (x, y) on the display and gives it the focus.
    bool Open(const std::string& display, int x, int y, std::string* error);

    bool HasFocus() const;

    // Waits until a press of the key (a keysym name: "F5") has reached it
    // and the key is up again on the server: by then every client that
    // listens to the keyboard has been sent the release too.
    bool WaitForKey(const std::string& key, int timeoutMs) const;

private:
    _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
};

}  // namespace testing_support
