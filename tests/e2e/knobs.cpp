// Knobs end to end: the annotation table read back through
// `flowfield-fxcheck --params`; captures with --set and --knobs; and the
// real program under a private X server: F1 shows the panel, a knobs file
// saved by hand applies under --watch, a value survives a reload, and keys
// typed into the panel do not reach F4 / F5.
#include "tests/support/process.h"
#include "tests/support/test_text.h"
#include "tests/support/xvfb.h"
#include "tests/support/xvfb_suite.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testing_support::CountOf;
using testing_support::EnvOr;
using testing_support::Process;
using testing_support::ProcessOptions;
using testing_support::ProcessResult;
using testing_support::ReadFile;
using testing_support::RunProcess;

constexpr int kTimeoutMs = 60000;
constexpr uint32_t kClearColor = 0x000022;

std::string Bin(const char* name) { return EnvOr("FLOWFIELD_BIN_DIR", ".") + "/" + name; }
fs::path Source() { return fs::path(EnvOr("FLOWFIELD_SOURCE_DIR", ".")); }

// A folder of the test's own, removed afterwards.
class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "flowfield-knobs-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(path_ / name, std::ios::binary) << text;
    }

private:
    fs::path path_;
};

// The annotation table: every "param" and "warning" line of the listing, in
// order, against the file's own "//= " lines.
TEST(KnobsTable, AnnotationsOfEachConventionReadBackThroughParams) {
    const fs::path dir = Source() / "tests" / "knobs";
    ProcessOptions options;
    options.args = {Bin("flowfield-fxcheck"), "--params", "annotations.fx"};
    options.cwd = dir.string();
    ProcessResult result = RunProcess(options, kTimeoutMs);
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;

    std::string expected, listed, line;
    std::istringstream file(ReadFile(dir / "annotations.fx"));
    while (std::getline(file, line)) {
        if (line.rfind("//= ", 0) == 0) expected += line.substr(4) + "\n";
    }
    std::istringstream out(result.out);
    while (std::getline(out, line)) {
        if (line.rfind("param ", 0) == 0 || line.find("warning:") != std::string::npos)
            listed += line + "\n";
    }
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(listed, expected);
}

// >> captures

class KnobsCapture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        dir_.Write("main.fx", ReadFile(Source() / "assets" / "main.fx"));
    }

    // Frame 5's PNG bytes with these extra arguments; stderr in *err.
    std::string Capture(std::vector<std::string> extra, std::string* err = nullptr) {
        const std::string png = (dir_.path() / ("frame" + std::to_string(++captures_) + ".png")).string();
        ProcessOptions options;
        options.args = {Bin("flowfield-capture"), "--quiet", "--clock", "1234", "--frames", "5",
                        "--png", "5:" + png};
        options.args.insert(options.args.end(), extra.begin(), extra.end());
        options.cwd = dir_.path().string();
        ProcessResult result = RunProcess(options, kTimeoutMs);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        if (err != nullptr) *err = result.err;
        return ReadFile(png);
    }

    TempDir dir_;
    int captures_ = 0;
};

TEST_F(KnobsCapture, SetChangesTheFrameDefaultsReproduceItAndAKnobsFileAgrees) {
    const std::string plain = Capture({});
    ASSERT_FALSE(plain.empty());
    // The defaults, given again, are the same frame, byte for byte.
    EXPECT_EQ(Capture({"--set", "ParticleSize=0.06", "--set", "ColorA=1, 0.42, 0.18"}), plain);

    const std::string set = Capture({"--set", "ParticleSize=0.15", "--set", "ColorA=0, 1, 0"});
    EXPECT_NE(set, plain);

    // The same values from main.fx.knobs, with a comment and lines that are
    // warned about and skipped.
    dir_.Write("main.fx.knobs",
               "# bigger and green\n"
               "ParticleSize = 0.15\n"
               "Nope = 1\n"
               "ColorA = 0, 1, 0\n"
               "Intensity = 1, 2\n"
               "Core = lots\n"
               "Halo = 99\n");
    std::string err;
    EXPECT_EQ(Capture({}, &err), set);
    EXPECT_NE(err.find("main.fx.knobs(3): warning: unknown knob 'Nope'; line ignored"), std::string::npos) << err;
    EXPECT_NE(err.find("main.fx.knobs(5): warning: knob 'Intensity': 2 values for 1; line ignored"),
              std::string::npos) << err;
    EXPECT_NE(err.find("main.fx.knobs(6): warning: knob 'Core': 'lots' is not a number; line ignored"),
              std::string::npos) << err;
    EXPECT_NE(err.find("main.fx.knobs(7): warning: knob 'Halo': 99 is outside 0..2; line ignored"),
              std::string::npos) << err;

    // --knobs reads another file; --set comes after the file.
    dir_.Write("other.knobs", "ParticleSize = 0.15\n");
    EXPECT_EQ(Capture({"--knobs", "other.knobs", "--set", "ColorA=0,1,0"}), set);
    EXPECT_EQ(Capture({"--set", "ParticleSize=0.06", "--set", "ColorA=1, 0.42, 0.18"}), plain);

    // What is not a regular file reads as no file, and never blocks: a
    // device without end, a FIFO nobody writes, a folder.
    ASSERT_EQ(mkfifo((dir_.path() / "fifo.knobs").c_str(), 0600), 0);
    for (const char* knobs : {"/dev/zero", "fifo.knobs", "."}) {
        SCOPED_TRACE(knobs);
        EXPECT_EQ(Capture({"--knobs", knobs}), plain);
    }
}

// A knob without a register lands among the registers the program writes
// (c0 of the pixel shader here): CommitChanges after the program's upload
// puts its value back, so the frame is that of the same colour as a
// constant.
TEST_F(KnobsCapture, AKnobAmongTheProgramsRegistersReadsItsOwnValue) {
    const std::string vertex =
        "float4 vs_main(float4 d : COLOR0, float4 c : TEXCOORD0) : POSITION\n"
        "{ float first = floor(d.b * 255.0 + 0.5) + floor(d.g * 255.0 + 0.5) * 256.0 < 6.0 ? 1.0 : 0.0;\n"
        "  return float4((fmod(c.x, 2.0) * 2.0 - 1.0) * first, (floor(c.x * 0.5) * 2.0 - 1.0) * first,\n"
        "                0.5, 1.0); }\n";
    const std::string technique =
        "technique T { pass P { VertexShader = compile vs_3_0 vs_main();\n"
        "                       PixelShader = compile ps_3_0 ps_main(); } }\n";
    dir_.Write("knob.fx", "float4 Glow < string UIWidget = \"Color\"; > = float4(0, 0.5, 0, 0);\n" + vertex +
                              "float4 ps_main() : COLOR0 { return Glow; }\n" + technique);
    dir_.Write("green.fx", vertex + "float4 ps_main() : COLOR0 { return float4(0, 0.5, 0, 0); }\n" + technique);
    dir_.Write("blue.fx", vertex + "float4 ps_main() : COLOR0 { return float4(0, 0, 0.5, 0); }\n" + technique);
    EXPECT_EQ(Capture({"knob.fx"}), Capture({"green.fx"}));
    EXPECT_EQ(Capture({"knob.fx", "--set", "Glow=0, 0, 0.5, 0"}), Capture({"blue.fx"}));
}

// >> the program under X

class KnobsE2e : public testing_support::XvfbSuite {
protected:
    void SetUp() override {
        ASSERT_NE(xvfb_, nullptr) << xvfbError_;
        ASSERT_FALSE(dir_.path().empty());
    }

    void TearDown() override {
        if (program_.Running()) {
            program_.Signal(SIGTERM);
            program_.Wait(kTimeoutMs);
        }
    }

    void Start(std::vector<std::string> args) {
        ProcessOptions options;
        options.args = {Bin("flowfield")};
        options.args.insert(options.args.end(), args.begin(), args.end());
        options.cwd = dir_.path().string();
        options.env = {{"DISPLAY", xvfb_->display()}};
        options.unsetEnv = {"WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
        ASSERT_TRUE(program_.Start(options));
        ASSERT_TRUE(program_.WaitForOutput("counter = 3\n", kTimeoutMs)) << program_.Err();
        window_ = xvfb_->FindWindow("test", kTimeoutMs);
        ASSERT_FALSE(window_.empty());
    }

    int Count(const std::string& what) const { return CountOf(program_.Out(), what); }

    // Waits until `what` has been printed `times` times.
    bool WaitForCount(const std::string& what, int times) const {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
        while (std::chrono::steady_clock::now() < deadline && program_.Running()) {
            if (Count(what) >= times) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return Count(what) >= times;
    }

    // Lets the program draw this many more frames.
    void Frames(int frames) const { EXPECT_TRUE(WaitForCount("counter = ", Count("counter = ") + frames)); }

    // Pixels of the window's top-left corner (where the panel sits) that
    // are not `colour`, and the colour at (x, y).
    int PixelsNot(uint32_t colour, int right, int bottom, uint32_t* at = nullptr, int x = 0, int y = 0) const {
        std::vector<uint32_t> rgb;
        int width = 0, height = 0;
        EXPECT_TRUE(xvfb_->WindowPixels(window_, &rgb, &width, &height));
        if (at != nullptr && x < width && y < height) *at = rgb[static_cast<size_t>(y) * width + x];
        int count = 0;
        for (int j = 0; j < std::min(bottom, height); ++j) {
            for (int i = 0; i < std::min(right, width); ++i) count += rgb[static_cast<size_t>(j) * width + i] != colour;
        }
        return count;
    }

    // Waits until the pixel at (x, y) reads `colour`.
    bool WaitForPixel(int x, int y, uint32_t colour) const {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
        uint32_t at = 0;
        while (std::chrono::steady_clock::now() < deadline && program_.Running()) {
            PixelsNot(colour, 0, 0, &at, x, y);
            if (at == colour) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    bool Xdotool(std::vector<std::string> args) const {
        ProcessOptions options;
        options.args = {"xdotool"};
        options.args.insert(options.args.end(), args.begin(), args.end());
        options.env = {{"DISPLAY", xvfb_->display()}};
        return RunProcess(options, kTimeoutMs).exitCode == 0;
    }

    void Quit() {
        ASSERT_TRUE(xvfb_->SendKey(window_, "Escape")) << xvfb_->lastError();
        ProcessResult result = program_.Wait(kTimeoutMs);
        EXPECT_EQ(result.exitCode, 0) << result.err;
    }

    TempDir dir_;
    Process program_;
    std::string window_;
};

// The first particle's quad covers the whole screen (the others none), and
// adds Tint: 0 leaves the clear colour, 1 in red makes it red. Level is a
// slider the panel shows first.
const char* const kFlat =
    "float Level < string UIName = \"Level\"; float UIMin = 0; float UIMax = 1; > = 0;\n"
    "float4 Tint : register(c64) < string UIWidget = \"Color\"; > = float4(0, 0, 0, 0);\n"
    "float4 vs_main(float4 d : COLOR0, float4 c : TEXCOORD0) : POSITION\n"
    "{ float first = floor(d.b * 255.0 + 0.5) + floor(d.g * 255.0 + 0.5) * 256.0 < 6.0 ? 1.0 : 0.0;\n"
    "  return float4((fmod(c.x, 2.0) * 2.0 - 1.0) * first, (floor(c.x * 0.5) * 2.0 - 1.0) * first,\n"
    "                0.5, 1.0); }\n"
    "float4 ps_main() : COLOR0 { return Tint + Level * 0.0; }\n"
    "technique T { pass P { VertexShader = compile vs_3_0 vs_main();\n"
    "                       PixelShader = compile ps_3_0 ps_main(); } }\n";

TEST_F(KnobsE2e, F1ShowsThePanelOverTheFrameAndHidesIt) {
    dir_.Write("main.fx", kFlat);
    Start({});
    Frames(3);
    EXPECT_EQ(PixelsNot(kClearColor, 300, 120), 0);

    ASSERT_TRUE(xvfb_->SendKey(window_, "F1")) << xvfb_->lastError();
    Frames(5);
    EXPECT_GT(PixelsNot(kClearColor, 300, 120), 5000);

    ASSERT_TRUE(xvfb_->SendKey(window_, "F1")) << xvfb_->lastError();
    Frames(5);
    EXPECT_EQ(PixelsNot(kClearColor, 300, 120), 0);
    // F1 is the panel's: it never reached the program as a reload.
    EXPECT_EQ(Count("Load Shader."), 1);
    Quit();
}

TEST_F(KnobsE2e, AKnobsFileSavedByHandAppliesAndTheValueSurvivesAReload) {
    dir_.Write("main.fx", kFlat);
    Start({"--watch"});
    Frames(3);
    uint32_t at = 0;
    PixelsNot(kClearColor, 0, 0, &at, 320, 240);
    EXPECT_EQ(at, kClearColor);

    // Saved by hand: applied without a rebuild.
    dir_.Write("main.fx.knobs", "Tint = 1, 0, 0, 0\n");
    EXPECT_TRUE(WaitForPixel(320, 240, 0xFF0022));
    EXPECT_EQ(Count("Load Shader."), 1);

    // Gone from disk, the value stays through F5.
    fs::remove(dir_.path() / "main.fx.knobs");
    ASSERT_TRUE(xvfb_->SendKey(window_, "F5")) << xvfb_->lastError();
    ASSERT_TRUE(WaitForCount("Load Shader.", 2));
    Frames(5);
    PixelsNot(kClearColor, 0, 0, &at, 320, 240);
    EXPECT_EQ(at, 0xFF0022u);
    Quit();
}

// Ctrl+S writes the knobs that differ from their defaults, in declaration
// order; comments stay (above a knob's line they move with it), a line the
// effect has no knob for stays, and a knob back at its default loses its line.
TEST_F(KnobsE2e, CtrlSSavesTheKnobsThatDifferKeepingComments) {
    dir_.Write("main.fx", kFlat);
    dir_.Write("main.fx.knobs",
               "# my settings\n"
               "\n"
               "# red\n"
               "Tint = 1, 0, 0, 0\n"
               "Gone = 3\n"
               "# the level, at its default\n"
               "Level = 0\n"
               "# end\n");
    Start({});
    ASSERT_TRUE(xvfb_->SendKey(window_, "ctrl+s")) << xvfb_->lastError();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
    while (program_.Err().find("Saved main.fx.knobs.") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(ReadFile(dir_.path() / "main.fx.knobs"),
              "# my settings\n"
              "\n"
              "# the level, at its default\n"
              "# red\n"
              "Tint = 1, 0, 0, 0\n"
              "Gone = 3\n"
              "# end\n");
    // Ctrl+S is the panel's: no reload, no S in the key state.
    EXPECT_EQ(Count("Load Shader."), 1);
    Quit();
}

TEST_F(KnobsE2e, KeysTypedIntoThePanelReachNeitherF4NorF5) {
    dir_.Write("main.fx", kFlat);
    Start({"--panel"});
    Frames(3);
    // Ctrl+click into the first knob's slider: its text field takes the keys.
    ASSERT_TRUE(xvfb_->Focus(window_)) << xvfb_->lastError();
    ASSERT_TRUE(Xdotool({"mousemove", "--window", window_, "80", "41"}));
    // Without delays, as a fast hand or a busy machine gives them: each key
    // goes down and up before the panel's next frame, and Ctrl is up again
    // before the frame that sees the click.
    ASSERT_TRUE(Xdotool({"keydown", "--delay", "0", "ctrl", "click", "1", "keyup", "--delay", "0", "ctrl"}));
    Frames(5);
    // Escape leaves the field, not the program.
    ASSERT_TRUE(Xdotool({"key", "--delay", "0", "F5", "F4", "Escape"}));
    Frames(10);
    EXPECT_EQ(Count("Load Shader."), 1);
    EXPECT_EQ(Count("counter = 0\n"), 0);
    ASSERT_TRUE(program_.Running());

    // Out of the field, F5 is the program's again.
    ASSERT_TRUE(xvfb_->PressKey("F5"));
    EXPECT_TRUE(WaitForCount("Load Shader.", 2));
    Quit();
}

}  // namespace
