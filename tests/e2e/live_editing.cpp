// Live editing with the real program under a private X server: F5 and F4
// typed while another window holds the focus, --watch picking up saves by
// rename, by rewrite, of an included file, of an image a texture names and
// in a burst (each once, never a half-written file), and a broken effect's
// error text in the window's pixels until a good save.
#include "tests/support/image_files.h"
#include "tests/support/process.h"
#include "tests/support/xvfb.h"
#include "tests/support/xvfb_suite.h"
#include "tests/support/test_text.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using testing_support::EnvOr;
using testing_support::CountOf;
using testing_support::ReadFile;

namespace fs = std::filesystem;
using testing_support::FocusWindow;
using testing_support::Process;
using testing_support::ProcessOptions;
using testing_support::ProcessResult;
using testing_support::Xvfb;

constexpr int kTimeoutMs = 60000;
// Long past the watch's 100 ms quiet spell: a second reload would have come.
constexpr int kQuietMs = 1500;

constexpr uint32_t kClearColor = 0x000022;
constexpr uint32_t kTextColor = 0xFFC000;

const char* const kBroken =
    "float4x4 viewProj : register(c4);\n"
    "float4 vs_main(float3 p : POSITION) : POSITION\n"
    "{\n"
    "    return mul(viewProj, float4(p, undeclaredThing));\n"
    "}\n"
    "float4 ps_main() : COLOR0 { return 1; }\n"
    "technique T { pass P {\n"
    "    VertexShader = compile vs_3_0 vs_main();\n"
    "    PixelShader = compile ps_3_0 ps_main(); } }\n";

// The program's output without its counter lines: what it loaded, and when
// the counter went back to 0.
std::string Events(const std::string& out) {
    std::istringstream lines(out);
    std::string line, events;
    while (std::getline(lines, line)) {
        if (line.rfind("counter = ", 0) != 0 || line == "counter = 0") events += line + "\n";
    }
    return events;
}

using Clock = std::chrono::steady_clock;

// Bounds on when a save changed the file on disk, to tell how long the
// watch saw no change between two saves: the save's first change had
// happened by `firstChangeDone`, and its last had not begun at
// `lastChangeBegun`.
struct SaveTimes {
    Clock::time_point firstChangeDone;  // the truncation or the rename has happened
    Clock::time_point lastChangeBegun;  // the close or the rename is about to happen
};

// An editor that saves by writing the file anew in place: truncate, then
// the text in a few chunks, then close. `halfWay` runs with half the text
// written, as when the editor is held up.
SaveTimes Rewrite(const fs::path& path, const std::string& text,
                  const std::function<void()>& halfWay = {}) {
    SaveTimes times;
    int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CREAT, 0644);
    times.firstChangeDone = Clock::now();
    EXPECT_GE(fd, 0) << path;
    size_t chunk = text.size() / 4 + 1;
    for (size_t at = 0; at < text.size(); at += chunk) {
        if (halfWay && at >= text.size() / 2 && at < text.size() / 2 + chunk) halfWay();
        size_t n = std::min(chunk, text.size() - at);
        EXPECT_EQ(write(fd, text.data() + at, n), static_cast<ssize_t>(n));
    }
    times.lastChangeBegun = Clock::now();
    close(fd);
    return times;
}

// An editor that saves by writing a new file beside and renaming it over.
SaveTimes SaveByRename(const fs::path& path, const std::string& text) {
    fs::path temp = path.string() + ".swp";
    std::ofstream(temp, std::ios::binary) << text;
    SaveTimes times;
    times.lastChangeBegun = Clock::now();
    fs::rename(temp, path);
    times.firstChangeDone = Clock::now();
    return times;
}

struct Pixels {
    int textPixels = 0;   // exactly the error text's colour
    int otherPixels = 0;  // neither the clear colour nor the text's
    int textLeft = 1 << 30, textTop = 1 << 30;
};

class LiveEditingE2e : public testing_support::XvfbSuite {
protected:
    void SetUp() override {
        ASSERT_NE(xvfb_, nullptr) << xvfbError_;
        binary_ = EnvOr("FLOWFIELD_BIN_DIR", ".") + "/flowfield";
        ASSERT_TRUE(fs::exists(binary_)) << binary_;
        std::string pattern = (fs::temp_directory_path() / "flowfield-live-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        workDir_ = pattern;
        goodEffect_ = ReadFile(fs::path(EnvOr("FLOWFIELD_SOURCE_DIR", ".")) / "assets" / "main.fx");
        ASSERT_FALSE(goodEffect_.empty());
    }

    void TearDown() override {
        if (program_.Running()) {
            program_.Signal(SIGTERM);
            program_.Wait(kTimeoutMs);
        }
        std::error_code ignored;
        fs::remove_all(workDir_, ignored);
    }

    // Starts the program in the working directory and waits for a few
    // frames and its window.
    void Start(std::vector<std::string> args) {
        ProcessOptions options;
        options.args = {binary_};
        options.args.insert(options.args.end(), args.begin(), args.end());
        options.cwd = workDir_.string();
        options.env = {{"DISPLAY", xvfb_->display()}};
        options.unsetEnv = {"WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
        ASSERT_TRUE(program_.Start(options));
        ASSERT_TRUE(program_.WaitForOutput("counter = 3\n", kTimeoutMs)) << program_.Err();
        window_ = xvfb_->FindWindow("test", kTimeoutMs);
        ASSERT_FALSE(window_.empty());
    }

    int Count(const std::string& what) const { return CountOf(program_.Out(), what); }
    int Frames() const { return Count("counter = "); }

    // Waits until `what` has been printed `times` times.
    bool WaitForCount(const std::string& what, int times) const {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
        while (std::chrono::steady_clock::now() < deadline && program_.Running()) {
            if (Count(what) >= times) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return Count(what) >= times;
    }

    // Lets a while pass in which the program keeps drawing: at least the
    // time and the frames asked for.
    void Idle(int ms, int frames) const {
        int until = Frames() + frames;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        EXPECT_TRUE(WaitForCount("counter = ", until));
    }

    Pixels ReadPixels() const {
        Pixels result;
        std::vector<uint32_t> rgb;
        int width = 0, height = 0;
        EXPECT_TRUE(xvfb_->WindowPixels(window_, &rgb, &width, &height));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                uint32_t c = rgb[static_cast<size_t>(y) * width + x];
                if (c == kTextColor) {
                    ++result.textPixels;
                    result.textLeft = std::min(result.textLeft, x);
                    result.textTop = std::min(result.textTop, y);
                } else if (c != kClearColor) {
                    ++result.otherPixels;
                }
            }
        }
        return result;
    }

    void Quit() {
        ASSERT_TRUE(program_.Running()) << "it ended before Esc:\n" << program_.Wait(0).err;
        ASSERT_TRUE(xvfb_->SendKey(window_, "Escape")) << xvfb_->lastError();
        ProcessResult result = program_.Wait(kTimeoutMs);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err;
    }

    std::string binary_;
    fs::path workDir_;
    std::string goodEffect_;
    Process program_;
    std::string window_;
};


TEST_F(LiveEditingE2e, F5AndF4WorkWhileAnotherWindowHasTheFocus) {
    std::ofstream(workDir_ / "main.fx") << goodEffect_;
    Start({});
    ASSERT_EQ(Count("Load Shader.\n"), 1);

    {
    FocusWindow editor;
    std::string error;
    ASSERT_TRUE(editor.Open(xvfb_->display(), 800, 600, &error)) << error;

    // F5 typed into the other window: that window gets the key, and the
    // program rebuilds its scene all the same (in every frame that finds the
    // key down, so once or more).
    ASSERT_TRUE(xvfb_->PressKey("F5")) << xvfb_->lastError();
    EXPECT_TRUE(editor.WaitForKey("F5", kTimeoutMs));
    EXPECT_TRUE(WaitForCount("Load Shader.\n", 2)) << Events(program_.Out());

    // F4 from there starts the counter again, rebuilding the scene first,
    // in every frame that finds it down.
    int zeros = Count("counter = 0\n");
    ASSERT_TRUE(xvfb_->PressKey("F4")) << xvfb_->lastError();
    EXPECT_TRUE(editor.WaitForKey("F4", kTimeoutMs));
    EXPECT_TRUE(WaitForCount("counter = 0\n", zeros + 1));
    std::string events = Events(program_.Out());
    EXPECT_EQ(CountOf(events, "Load Shader.\ncounter = 0\n"), CountOf(events, "counter = 0\n")) << events;

    // Once the program has drawn on with both keys up, Esc typed elsewhere
    // is the other window's business: it neither quits nor reloads.
    Idle(kQuietMs, 30);
    int loads = Count("Load Shader.\n");
    ASSERT_TRUE(xvfb_->PressKey("Escape")) << xvfb_->lastError();
    EXPECT_TRUE(editor.WaitForKey("Escape", kTimeoutMs));
    Idle(500, 20);
    EXPECT_TRUE(program_.Running());
    EXPECT_TRUE(editor.HasFocus());
    EXPECT_EQ(Count("Load Shader.\n"), loads) << Events(program_.Out());
    }
    // With the other window gone, Esc in the program's own window quits.
    Quit();
}

// An image file's bytes, one colour all over.
std::string Png(uint8_t red) {
    testing_support::Bytes png = testing_support::EncodePng(8, 8, testing_support::Bytes(256, red));
    return std::string(png.begin(), png.end());
}

TEST_F(LiveEditingE2e, WatchReloadsEachSaveOnce) {
    // main.fx includes a file of its own and names two images, one missing (a
    // warning and a placeholder): a save of any counts, the missing one too.
    std::ofstream(workDir_ / "palette.fxh") << "// colours\n";
    std::ofstream(workDir_ / "glow.png", std::ios::binary) << Png(10);
    std::string withInclude = "#include \"palette.fxh\"\n"
                              "texture Glow < string ResourceName = \"glow.png\"; >;\n"
                              "texture Late < string ResourceName = \"late.png\"; >;\n" +
                              goodEffect_;
    std::ofstream(workDir_ / "main.fx") << withInclude;
    Start({"--watch"});
    ASSERT_EQ(Count("Load Shader.\n"), 1) << program_.Out().substr(0, 500);
    int loads = 1;

    struct Save {
        const char* how;
        std::function<void()> save;
        int reloads;  // exactly
    };
    const Save saves[] = {
        {"by rename", [&] { SaveByRename(workDir_ / "main.fx", withInclude + "// one\n"); }, 1},
        {"by rewrite", [&] { Rewrite(workDir_ / "main.fx", withInclude + "// two\n"); }, 1},
        {"the same bytes again", [&] { Rewrite(workDir_ / "main.fx", withInclude + "// two\n"); }, 0},
        {"of the included file", [&] { SaveByRename(workDir_ / "palette.fxh", "// warm\n"); }, 1},
        {"of the image", [&] { SaveByRename(workDir_ / "glow.png", Png(90)); }, 1},
        {"the same image again", [&] { Rewrite(workDir_ / "glow.png", Png(90)); }, 0},
        {"of the missing image", [&] { SaveByRename(workDir_ / "late.png", Png(20)); }, 1},
        {"of a file beside it", [&] { std::ofstream(workDir_ / "notes.txt") << "x"; }, 0},
    };
    for (const Save& s : saves) {
        SCOPED_TRACE(s.how);
        s.save();
        if (s.reloads > 0) {
            EXPECT_TRUE(WaitForCount("Load Shader.\n", loads + s.reloads));
        }
        Idle(kQuietMs, 30);
        loads += s.reloads;
        EXPECT_EQ(Count("Load Shader.\n"), loads) << Events(program_.Out());
    }

    // Saves in quick succession. The watch loads once the files have been
    // quiet for 100 ms with no writer holding one open, so its last load
    // reads the last save whole, however long a writer is held up half-way.
    // An earlier load needs a pause in the saving: 100 ms between two saves,
    // or a writer that keeps its file open past the watch's 2 s. Only such a
    // load can meet a file cut short, when the next save starts as it reads.
    struct Burst {
        const char* how;
        std::function<std::vector<SaveTimes>()> saves;
    };
    auto heldUp = [&] { Idle(300, 10); };
    const Burst bursts[] = {
        {"ten rewrites in place",
         [&] {
             std::vector<SaveTimes> times;
             for (int i = 0; i < 10; ++i) {
                 times.push_back(Rewrite(workDir_ / "main.fx", withInclude + "// burst " + std::to_string(i) + "\n"));
             }
             return times;
         }},
        {"a save, then at once a rewrite held up half-way",
         [&] {
             return std::vector<SaveTimes>{SaveByRename(workDir_ / "palette.fxh", "// cool\n"),
                                           Rewrite(workDir_ / "main.fx", withInclude + "// held\n", heldUp)};
         }},
    };
    for (const Burst& b : bursts) {
        SCOPED_TRACE(b.how);
        int loadsBefore = Count("Load Shader.\n");
        int errorsBefore = Count("InitScene : Error");
        std::vector<SaveTimes> times = b.saves();
        int pauses = 0;
        for (size_t i = 0; i < times.size(); ++i) {
            if (times[i].lastChangeBegun - times[i].firstChangeDone >= std::chrono::seconds(2)) ++pauses;
            if (i > 0 && times[i].firstChangeDone - times[i - 1].lastChangeBegun >= std::chrono::milliseconds(100)) {
                ++pauses;
            }
        }
        EXPECT_TRUE(WaitForCount("Load Shader.\n", loadsBefore + 1));
        Idle(kQuietMs, 30);
        std::string out = program_.Out();
        int reloads = CountOf(out, "Load Shader.\n") - loadsBefore;
        int errors = CountOf(out, "InitScene : Error") - errorsBefore;
        EXPECT_LE(reloads + errors, 1 + pauses) << pauses << " pauses\n" << Events(out);
        EXPECT_LE(errors, pauses) << pauses << " pauses\n" << Events(out);
        size_t lastError = out.rfind("InitScene : Error");
        EXPECT_TRUE(lastError == std::string::npos || out.rfind("Load Shader.\n") > lastError) << Events(out);
    }
    Quit();
}

// A save whose load takes long (a few hundred thousand unused globals to
// read) compiles in the background: the frames go on with the old scene,
// twenty and more of them while the load runs, and the new scene takes over
// once. A load in the frame's way would let no frame through until it was
// done.
TEST_F(LiveEditingE2e, ASlowSaveLoadsWhileTheFramesGoOn) {
    std::ofstream(workDir_ / "main.fx") << goodEffect_;
    std::string globals;
    for (int i = 0; i < 220000; ++i) globals += "float4 u" + std::to_string(i) + ";\n";
    std::ofstream(workDir_ / "many.fxh") << globals;
    Start({"--watch"});
    Idle(200, 10);

    SaveByRename(workDir_ / "main.fx", "#include \"many.fxh\"\n" + goodEffect_);
    Idle(300, 1);  // past the watch's quiet spell: the load has begun
    const int frames = Frames();
    EXPECT_TRUE(WaitForCount("counter = ", frames + 20));
    EXPECT_EQ(Count("Load Shader.\n"), 1) << "the load held the frames";
    // The load ends in the new scene. On a machine so busy that the load
    // outlasts one of its time limits (reading the text, or the compiler's
    // ten seconds; which comes first depends on the machine) it ends in that
    // error instead, and the old scene goes on: either way the frames never
    // waited for it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
    while (Count("Load Shader.\n") + Count("InitScene : Error") < 2 && program_.Running() &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Idle(200, 10);
    const std::string out = program_.Out();
    if (Count("InitScene : Error") == 0) {
        EXPECT_EQ(Count("Load Shader.\n"), 2);
    } else {
        EXPECT_EQ(Count("Load Shader.\n"), 1);
        EXPECT_EQ(Count("InitScene : Error"), 1);
        const bool timeLimit = out.find("did not finish within") != std::string::npos ||
                               out.find("takes longer than the load's limit") != std::string::npos;
        EXPECT_TRUE(timeLimit) << out.substr(0, 2000);
    }
    Quit();
}

TEST_F(LiveEditingE2e, ErrorTextIsInTheWindowUntilAGoodSave) {
    std::ofstream(workDir_ / "main.fx") << kBroken;
    Start({"--watch"});
    ASSERT_TRUE(WaitForCount("InitScene : Error  main.fx(4,", 1));
    Idle(200, 10);

    // The text, top left, over the clear colour, and nothing else.
    Pixels broken = ReadPixels();
    EXPECT_GT(broken.textPixels, 500);
    EXPECT_EQ(broken.otherPixels, 0);
    EXPECT_LT(broken.textLeft, 16);
    EXPECT_LT(broken.textTop, 16);

    SaveByRename(workDir_ / "main.fx", goodEffect_);
    ASSERT_TRUE(WaitForCount("Load Shader.\n", 1));
    Idle(200, 10);

    // Particles, and no text.
    Pixels good = ReadPixels();
    EXPECT_EQ(good.textPixels, 0);
    EXPECT_GT(good.otherPixels, 1000);

    // The console said what it always says.
    std::string out = program_.Out();
    EXPECT_EQ(CountOf(out, "InitScene : Error  "), 1);
    Quit();
}

}  // namespace
