// The time keys of the real program under a private X server: Space stops
// the counter lines, '.' adds exactly one, F5 and F4 still reload while
// paused, Space starts the lines again; F9
// records a video whose frame count is the number of counter lines printed
// while it recorded (also at speed x4, where most frames are drawn only for
// the recording).
//
// No assertion rests on time: the program is judged paused once no counter
// line has come for a while, and then it must print exactly what the keys
// ask for.
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_text.h"
#include "tests/support/xvfb.h"
#include "tests/support/xvfb_suite.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace {

using testing_support::CountOf;
using testing_support::EnvOr;
using testing_support::Process;
using testing_support::ProcessOptions;
using testing_support::ProcessResult;
using testing_support::RunProcess;

namespace fs = std::filesystem;

constexpr int kTimeoutMs = 120000;
constexpr int kQuietMs = 1500;  // this long without a counter line: paused

class TimeControlsE2e : public testing_support::XvfbSuite {
protected:
    void SetUp() override {
        ASSERT_NE(xvfb_, nullptr) << xvfbError_;
        binary_ = EnvOr("FLOWFIELD_BIN_DIR", ".") + "/flowfield";
        ASSERT_TRUE(fs::exists(binary_)) << binary_;
        ASSERT_TRUE(temp_.Make("flowfield-time"));
        dir_ = temp_.Path();
        fs::copy_file(fs::path(EnvOr("FLOWFIELD_SOURCE_DIR", ".")) / "assets" / "main.fx", dir_ / "main.fx");

        ProcessOptions options;
        options.args = {binary_};
        options.cwd = dir_.string();
        options.env = {{"DISPLAY", xvfb_->display()}};
        if (!Path().empty()) options.env.push_back({"PATH", Path()});
        options.unsetEnv = {"WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
        ASSERT_TRUE(program_.Start(options));
        ASSERT_TRUE(program_.WaitForOutput("counter = 3\n", kTimeoutMs)) << program_.Err();
        window_ = xvfb_->FindWindow("test", kTimeoutMs);
        ASSERT_FALSE(window_.empty());
    }

    // The PATH the program runs with; "" for the test's own.
    virtual std::string Path() const { return ""; }

    void TearDown() override {
        if (!window_.empty()) xvfb_->SendKey(window_, "Escape");
        ProcessResult result = program_.Wait(kTimeoutMs);
        EXPECT_EQ(result.exitCode, 0) << result.err;
    }

    int Lines() const { return CountOf(program_.Out(), "counter = "); }

    void Key(const std::string& key) { ASSERT_TRUE(xvfb_->SendKey(window_, key)) << xvfb_->lastError(); }

    // The line count once no line has come for kQuietMs.
    int Settled() const {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
        int lines = Lines();
        auto since = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            int now = Lines();
            if (now != lines) {
                lines = now;
                since = std::chrono::steady_clock::now();
            } else if (std::chrono::steady_clock::now() - since > std::chrono::milliseconds(kQuietMs)) {
                break;
            }
        }
        return lines;
    }

    // Waits until the program has printed at least `lines` counter lines.
    bool WaitForLines(int lines) const {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
        while (Lines() < lines) {
            if (std::chrono::steady_clock::now() > deadline || !program_.Running()) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

    // Waits until standard error holds text `times` times.
    bool WaitForErr(const std::string& text, int times = 1) const {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
        while (CountOf(program_.Err(), text) < times) {
            if (std::chrono::steady_clock::now() > deadline || !program_.Running()) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

    std::string binary_;
    testing_support::TempFolder temp_;
    fs::path dir_;
    Process program_;
    std::string window_;
};

TEST_F(TimeControlsE2e, SpaceStopsTheCounterPeriodAddsOneSpaceResumes) {
    Key("space");
    int paused = Settled();
    EXPECT_EQ(Settled(), paused) << "no frame runs while paused";

    for (int steps = 1; steps <= 3; ++steps) {
        SCOPED_TRACE(steps);
        Key("period");
        ASSERT_TRUE(WaitForLines(paused + steps));
        EXPECT_EQ(Settled(), paused + steps) << "exactly one frame a press";
    }
    // The frames counted on, one by one.
    std::string out = program_.Out();
    size_t last = out.rfind("counter = ");
    int value = std::stoi(out.substr(last + 10));
    EXPECT_NE(out.find("counter = " + std::to_string(value - 2) + "\ncounter = " + std::to_string(value - 1) +
                       "\ncounter = " + std::to_string(value) + "\n"),
              std::string::npos);

    // F5 and F4 while paused reload and print what a load prints, and no
    // counter line; the next frame after F4 is F4's frame, counter 0.
    Key("F5");
    ASSERT_TRUE(program_.WaitForOutput(std::to_string(value) + "\nLoad Shader.\n", kTimeoutMs)) << program_.Out();
    Key("F4");
    ASSERT_TRUE(program_.WaitForOutput(std::to_string(value) + "\nLoad Shader.\nLoad Shader.\n", kTimeoutMs));
    EXPECT_EQ(Settled(), paused + 3);
    Key("period");
    ASSERT_TRUE(program_.WaitForOutput("Load Shader.\nLoad Shader.\ncounter = 0\n", kTimeoutMs)) << program_.Out();
    EXPECT_EQ(Settled(), paused + 4);

    Key("space");
    EXPECT_TRUE(WaitForLines(paused + 4 + 30)) << "running again";
    EXPECT_NE(program_.Out().find("counter = 0\ncounter = 1\ncounter = 2\n"), std::string::npos);
}

TEST_F(TimeControlsE2e, F9RecordsOneVideoFramePerCounterLine) {
    Key("space");
    Settled();
    // Started and stopped while paused: no frame, no file.
    Key("F9");
    ASSERT_TRUE(WaitForErr("flowfield: recording to ")) << program_.Err();
    Key("F9");
    ASSERT_TRUE(WaitForErr("flowfield: no frame ran while recording, so no flowfield-")) << program_.Err();
    for (const auto& entry : fs::directory_iterator(dir_)) EXPECT_EQ(entry.path().filename(), "main.fx");

    Key("F9");
    ASSERT_TRUE(WaitForErr("flowfield: recording to ", 2)) << program_.Err();
    int before = Settled();

    // Three single frames, then a stretch at x4 (three of every four frames
    // drawn only for the recording), then paused again.
    for (int i = 0; i < 3; ++i) Key("period");
    ASSERT_TRUE(WaitForLines(before + 3));
    Key("bracketright");
    Key("bracketright");
    Key("space");
    ASSERT_TRUE(WaitForLines(before + 3 + 40));
    Key("space");
    int recorded = Settled() - before;
    Key("F9");
    ASSERT_TRUE(WaitForErr(" frames to flowfield-")) << program_.Err();

    std::string err = program_.Err();
    size_t said = err.find("flowfield: recorded ");
    ASSERT_NE(said, std::string::npos) << err;
    long frames = std::stol(err.substr(said + 20));
    EXPECT_EQ(frames, recorded) << err;
    size_t nameAt = err.find("flowfield-", said + 20);
    std::string name = err.substr(nameAt, err.find('\n', nameAt) - nameAt);
    ASSERT_TRUE(fs::exists(dir_ / name)) << name;

    ProcessOptions probe;
    probe.args = {"ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                  "stream=nb_read_frames,width,height", "-of", "csv=p=0:nk=1", name};
    probe.cwd = dir_.string();
    ProcessResult result = RunProcess(probe, kTimeoutMs);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "640,480," + std::to_string(recorded) + "\n");
}

class TimeControlsWithoutFfmpegE2e : public TimeControlsE2e {
protected:
    std::string Path() const override { return "/nonexistent"; }
};

TEST_F(TimeControlsWithoutFfmpegE2e, F9SaysWhatIsMissingAndTheProgramRunsOn) {
    Key("F9");
    ASSERT_TRUE(WaitForErr("flowfield: cannot record: ffmpeg is not on the PATH (Debian package ffmpeg)"))
        << program_.Err();
    int lines = Lines();
    EXPECT_TRUE(WaitForLines(lines + 30));
    for (const auto& entry : fs::directory_iterator(dir_)) {
        EXPECT_EQ(entry.path().filename(), "main.fx") << "no file is left";
    }
}

}  // namespace
