// The real program under a private X server, in a temporary directory: the
// effect is loaded at start, a broken main.fx is reported with its true line
// while the frames go on, F5 picks up the mended file, a statement that
// crashes the shader compiler costs only an error line, and F4 starts the
// counter again from 0.
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/xvfb.h"
#include "tests/support/xvfb_suite.h"
#include "tests/support/test_text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

using testing_support::EnvOr;
using testing_support::CountOf;

namespace fs = std::filesystem;
using testing_support::Process;
using testing_support::ProcessOptions;
using testing_support::ProcessResult;
using testing_support::Xvfb;

constexpr int kTimeoutMs = 60000;

const char* const kBrokenAtLine4 =
    "float4x4 viewProj : register(c4);\n"
    "float4 vs_main(float3 p : POSITION) : POSITION\n"
    "{\n"
    "    return mul(viewProj, float4(p, undeclaredThing));\n"
    "}\n"
    "float4 ps_main() : COLOR0 { return 1; }\n"
    "technique T { pass P {\n"
    "    VertexShader = compile vs_3_0 vs_main();\n"
    "    PixelShader = compile ps_3_0 ps_main(); } }\n";

// Nesting far deeper than glslang's recursive parser takes (it ran out of
// stack before the loader checked nesting). The program must only print an
// error line.
const std::string kCrashesTheCompiler =
    "float4x4 View;\n"
    "float4 vs_main(float3 p : POSITION) : POSITION\n"
    "{\n"
    "    float3 e = -View._m30_m31_m32;\n"
    "    return float4(p + e, " + std::string(20000, '(') + "1" + std::string(20000, ')') + ");\n"
    "}\n"
    "float4 ps_main() : COLOR0 { return 1; }\n"
    "technique T { pass P {\n"
    "    VertexShader = compile vs_3_0 vs_main();\n"
    "    PixelShader = compile ps_3_0 ps_main(); } }\n";

// Polls the program's output until `what` has appeared `times` times.
bool WaitForCount(const Process& program, const std::string& what, int times, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (CountOf(program.Out(), what) >= times) return true;
        if (!program.Running()) return CountOf(program.Out(), what) >= times;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// The last counter value printed on a whole line.
int LastCounter(const std::string& out) {
    size_t end = out.rfind('\n');
    if (end == std::string::npos) return -1;
    size_t at = out.rfind("counter = ", end);
    return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + 10);
}

class EffectReloadE2e : public testing_support::XvfbSuite {
protected:
    void SetUp() override {
        ASSERT_NE(xvfb_, nullptr) << xvfbError_;
        binary_ = EnvOr("FLOWFIELD_BIN_DIR", ".") + "/flowfield";
        ASSERT_TRUE(fs::exists(binary_)) << binary_;
        ASSERT_TRUE(temp_.Make("flowfield-reload"));
        workDir_ = temp_.Path();
        goodEffect_ = fs::path(EnvOr("FLOWFIELD_SOURCE_DIR", ".")) / "assets" / "main.fx";
    }

    void WriteEffect(const std::string& text) {
        // Written beside and renamed, as an editor saves: F5 never sees half a file.
        fs::path temp = workDir_ / "main.fx.new";
        std::ofstream(temp) << text;
        fs::rename(temp, workDir_ / "main.fx");
    }

    void UseGoodEffect() { fs::copy_file(goodEffect_, workDir_ / "main.fx", fs::copy_options::overwrite_existing); }

    // Starts the program and waits for a few frames and its window.
    std::string Start(Process* program) {
        ProcessOptions options;
        options.args = {binary_};
        options.cwd = workDir_.string();
        // Every compile reaches the driver, as the first one on a machine does.
        options.env = {{"DISPLAY", xvfb_->display()}, {"MESA_SHADER_CACHE_DISABLE", "true"}};
        options.unsetEnv = {"WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
        EXPECT_TRUE(program->Start(options));
        EXPECT_TRUE(program->WaitForOutput("counter = 3\n", kTimeoutMs)) << program->Err();
        std::string window = xvfb_->FindWindow("test", kTimeoutMs);
        EXPECT_FALSE(window.empty());
        return window;
    }

    // Esc, and the program must end by itself with exit code 0.
    void Quit(Process* program, const std::string& window) {
        ASSERT_TRUE(program->Running()) << "it ended before Esc:\n" << program->Wait(0).err;
        ASSERT_TRUE(xvfb_->SendKey(window, "Escape")) << xvfb_->lastError();
        ProcessResult result = program->Wait(kTimeoutMs);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err;
    }

    std::string binary_;
    testing_support::TempFolder temp_;
    fs::path workDir_;
    fs::path goodEffect_;
};


TEST_F(EffectReloadE2e, BrokenEffectIsReportedAndF5PicksUpTheMendedFile) {
    WriteEffect(kBrokenAtLine4);
    Process program;
    std::string window = Start(&program);
    ASSERT_FALSE(window.empty());

    std::string out = program.Out();
    EXPECT_EQ(CountOf(out, "Load Shader.\n"), 0);
    EXPECT_NE(out.find("InitScene : Error  main.fx(4,"), std::string::npos) << out.substr(0, 1500);

    // Frames go on without an effect.
    int before = LastCounter(program.Out());
    ASSERT_TRUE(WaitForCount(program, "counter = " + std::to_string(before + 5) + "\n", 1, kTimeoutMs));

    UseGoodEffect();
    ASSERT_TRUE(xvfb_->SendKey(window, "F5")) << xvfb_->lastError();
    EXPECT_TRUE(WaitForCount(program, "Load Shader.\n", 1, kTimeoutMs)) << program.Out().substr(0, 1500);
    Quit(&program, window);
}

TEST_F(EffectReloadE2e, StatementThatCrashesTheCompilerCostsOnlyAnErrorLine) {
    UseGoodEffect();
    Process program;
    std::string window = Start(&program);
    ASSERT_FALSE(window.empty());
    EXPECT_EQ(CountOf(program.Out(), "Load Shader.\n"), 1);

    WriteEffect(kCrashesTheCompiler);
    ASSERT_TRUE(xvfb_->SendKey(window, "F5")) << xvfb_->lastError();
    ASSERT_TRUE(WaitForCount(program, "InitScene : Error  main.fx", 1, kTimeoutMs)) << program.Out().substr(0, 1500);
    EXPECT_NE(program.Out().find("main.fx(5,280): error: code nested more than 256 levels deep"),
              std::string::npos)
        << program.Out().substr(0, 1500);

    // Still counting after the crash.
    int after = LastCounter(program.Out());
    EXPECT_TRUE(WaitForCount(program, "counter = " + std::to_string(after + 5) + "\n", 1, kTimeoutMs));
    EXPECT_TRUE(program.Running());
    Quit(&program, window);
}

// main.fx with one statement of vs_main repeated: small enough to link on
// the driver's own time, or so large that the driver would hold the program
// for half a minute (llvmpipe: 4000 copies, 20 s to link and draw once).
std::string RepeatedTransform(const std::string& mainFx, int copies) {
    const std::string anchor = "    output.position = mul(viewProj, float4(world, 1.0));\n";
    std::string repeated = anchor;
    for (int i = 0; i < copies; ++i) {
        repeated += "    output.position = mul(viewProj, output.position);\n";
    }
    std::string text = mainFx;
    size_t at = text.find(anchor);
    if (at != std::string::npos) text.replace(at, anchor.size(), repeated);
    return text;
}

TEST_F(EffectReloadE2e, LargeShadersLoadOrFailAndFramesGoOn) {
    // The compiler's limit and the driver's deadline keep each reload short;
    // the test asserts only the outcome and that frames go on, as a busy
    // machine may stretch any wall-clock bound.
    std::ifstream in(goodEffect_);
    const std::string mainFx((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const struct {
        int copies;
        std::string outcome;
    } cases[] = {
        {300, "Load Shader.\n"},  // past the size that links in place
        {4000, "InitScene : Error  main.fx("},
    };
    UseGoodEffect();
    Process program;
    std::string window = Start(&program);
    ASSERT_FALSE(window.empty());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.copies);
        const int before = CountOf(program.Out(), c.outcome);
        WriteEffect(RepeatedTransform(mainFx, c.copies));
        ASSERT_TRUE(xvfb_->SendKey(window, "F5"));
        ASSERT_TRUE(WaitForCount(program, c.outcome, before + 1, kTimeoutMs))
            << program.Out().substr(program.Out().size() - std::min<size_t>(program.Out().size(), 1500));
        int after = LastCounter(program.Out());
        EXPECT_TRUE(WaitForCount(program, "counter = " + std::to_string(after + 5) + "\n", 1, kTimeoutMs));
    }
    EXPECT_NE(program.Out().find("shader too large"), std::string::npos);
    Quit(&program, window);
}

TEST_F(EffectReloadE2e, F4ReloadsAndStartsTheCounterAgain) {
    UseGoodEffect();
    Process program;
    std::string window = Start(&program);
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(WaitForCount(program, "counter = 20\n", 1, kTimeoutMs));

    ASSERT_TRUE(xvfb_->SendKey(window, "F4")) << xvfb_->lastError();
    EXPECT_TRUE(WaitForCount(program, "counter = 0\n", 1, kTimeoutMs));
    EXPECT_TRUE(WaitForCount(program, "Load Shader.\n", 2, kTimeoutMs));
    Quit(&program, window);

    // After the reset the counter climbs again from 0.
    std::string out = program.Out();
    size_t zero = out.find("counter = 0\n");
    ASSERT_NE(zero, std::string::npos);
    EXPECT_NE(out.find("counter = 1\n", zero), std::string::npos);
}

}  // namespace
