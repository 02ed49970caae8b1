// A private X server for end-to-end tests, and the input a person would give
// a window on it: keys (xdotool), the close box (WM_DELETE_WINDOW, what a
// window manager sends), and screenshots (ImageMagick's import).
#pragma once

#include <sys/types.h>

#include <string>

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

    // Moves the pointer over the window (which gives it the keyboard on a
    // server without a window manager) and presses and releases the key
    // (xdotool key names: "Escape", "F5", ...).
    bool SendKey(const std::string& windowId, const std::string& key) const;

    // What clicking the close box does: a WM_DELETE_WINDOW client message.
    bool SendCloseRequest(const std::string& windowId) const;

    // The whole screen as an image file (the format follows the extension).
    bool Screenshot(const std::string& path) const;

private:
    pid_t pid_ = -1;
    std::string display_;
};

}  // namespace testing_support
