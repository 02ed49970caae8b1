// The real program under a private X server, run from a temporary directory
// holding a copy of main.fx: its console lines, Esc, the close box, and what
// happens without any display.
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/xvfb.h"
#include "tests/support/xvfb_suite.h"
#include "tests/support/test_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testing_support::EnvOr;

namespace fs = std::filesystem;
using testing_support::Process;
using testing_support::ProcessOptions;
using testing_support::ProcessResult;
using testing_support::Xvfb;

constexpr int kStartTimeoutMs = 60000;
constexpr int kExitTimeoutMs = 30000;

// The counter values in the order printed.
std::vector<int> Counters(const std::string& out) {
    std::vector<int> counters;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        int value = 0;
        if (std::sscanf(line.c_str(), "counter = %d", &value) == 1) counters.push_back(value);
    }
    return counters;
}

// Each frame prints the next value; only the wrap past 9000 goes back to 0.
void ExpectCountingUp(const std::vector<int>& counters) {
    ASSERT_FALSE(counters.empty());
    EXPECT_EQ(counters.front(), 1);
    for (size_t i = 1; i < counters.size(); ++i) {
        bool next = counters[i] == counters[i - 1] + 1;
        bool wrapped = counters[i - 1] == 9000 && counters[i] == 0;
        ASSERT_TRUE(next || wrapped) << "line " << i << ": " << counters[i - 1] << " then "
                                     << counters[i];
    }
}

class ProgramE2eTest : public testing_support::XvfbSuite {
protected:
    void SetUp() override {
        // The program is built beside this test when the variable is missing.
        std::string ownDir = fs::read_symlink("/proc/self/exe").parent_path().string();
        binary_ = EnvOr("FLOWFIELD_BIN_DIR", ownDir) + "/flowfield";
        ASSERT_TRUE(fs::exists(binary_)) << binary_;
        ASSERT_TRUE(temp_.Make("flowfield-e2e"));
        workDir_ = temp_.Path();
        fs::path effect = fs::path(EnvOr("FLOWFIELD_SOURCE_DIR", ".")) / "assets" / "main.fx";
        if (fs::exists(effect)) fs::copy_file(effect, workDir_ / "main.fx");
    }

    ProcessOptions Options() const {
        ProcessOptions options;
        options.args = {binary_};
        options.cwd = workDir_.string();
        if (xvfb_ != nullptr) options.env = {{"DISPLAY", xvfb_->display()}};
        options.unsetEnv = {"WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
        return options;
    }

    // Starts the program and waits for its window and a few frames.
    std::string StartAndFindWindow(Process* program) {
        EXPECT_TRUE(program->Start(Options()));
        EXPECT_TRUE(program->WaitForOutput("counter = 3\n", kStartTimeoutMs))
            << "stdout:\n" << program->Out().substr(0, 2000) << "\nstderr:\n" << program->Err();
        std::string window = xvfb_->FindWindow("test", kStartTimeoutMs);
        EXPECT_FALSE(window.empty());
        return window;
    }

    std::string binary_;
    testing_support::TempFolder temp_;
    fs::path workDir_;
};


TEST_F(ProgramE2eTest, EscapeEndsTheProgramWithExitCodeZero) {
    ASSERT_NE(xvfb_, nullptr) << xvfbError_;
    Process program;
    std::string window = StartAndFindWindow(&program);
    ASSERT_FALSE(window.empty());

    size_t framesBeforeKey = Counters(program.Out()).size();
    ASSERT_TRUE(xvfb_->SendKey(window, "Escape")) << xvfb_->lastError();
    ProcessResult result = program.Wait(kExitTimeoutMs);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<int> counters = Counters(result.out);
    ExpectCountingUp(counters);
    EXPECT_GT(counters.size(), framesBeforeKey);
}

TEST_F(ProgramE2eTest, CloseBoxEndsTheProgramWithExitCodeZero) {
    ASSERT_NE(xvfb_, nullptr) << xvfbError_;
    Process program;
    std::string window = StartAndFindWindow(&program);
    ASSERT_FALSE(window.empty());

    ASSERT_TRUE(xvfb_->SendCloseRequest(window));
    ProcessResult result = program.Wait(kExitTimeoutMs);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    ExpectCountingUp(Counters(result.out));
}

TEST_F(ProgramE2eTest, WithoutADisplayOrGl45ItSaysWhyInOneLineAndExitsWithOne) {
    // A display number nothing listens on.
    int free = 4077;
    while (fs::exists("/tmp/.X11-unix/X" + std::to_string(free))) ++free;
    std::string x = ":";
    x += std::to_string(free);
    const std::string noWindow = "ERROR : Can't Create Window: SDL video: ";
    // Without XDG_RUNTIME_DIR too, where the Wayland library would complain.
    const struct {
        std::vector<std::pair<std::string, std::string>> env;
        std::string says;  // the one line on standard error starts so
    } cases[] = {
        {{}, noWindow + "no display: DISPLAY and WAYLAND_DISPLAY are unset"},
        {{{"DISPLAY", x}}, noWindow + "no display: cannot open display '" + x + "'"},
        {{{"WAYLAND_DISPLAY", "no-such-wayland-77"}},
         noWindow + "no display: cannot connect to Wayland display 'no-such-wayland-77'"},
        {{{"DISPLAY", x}, {"WAYLAND_DISPLAY", "no-such-wayland-77"}},
         noWindow + "no display: cannot open display '" + x +
             "'; cannot connect to Wayland display 'no-such-wayland-77'"},
        {{{"SDL_VIDEODRIVER", "offscreen"}, {"MESA_GL_VERSION_OVERRIDE", "3.3"}},
         "ERROR : CreateDevice: OpenGL 4.5 core is needed, the driver offers 3.3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        ProcessOptions options = Options();
        options.env = c.env;
        options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "XDG_RUNTIME_DIR"};
        for (const auto& [name, value] : c.env) std::erase(options.unsetEnv, name);
        ProcessResult result = testing_support::RunProcess(options, kExitTimeoutMs);
        ASSERT_TRUE(result.started) << result.startError;
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.signal, 0);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err.rfind(c.says, 0), 0u) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_TRUE(Counters(result.out).empty());
    }
}

}  // namespace
