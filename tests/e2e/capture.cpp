// flowfield-capture as a user runs it (SDL's offscreen driver, no X server):
// the same clock gives the same picture, another clock another one; bad
// arguments are refused; every effect of the gallery draws; the scene
// survives F5 held through many frames (also with a 2048 x 2048 image to
// read again each time, in flat memory) and a run long enough for the
// counter to wrap.
//
// Under the asan preset (FLOWFIELD_SANITIZERS=1) the reloads run under the
// leak checker, which finds a leak of one reload as well as of a thousand.
// The 9100 frames run in the release build only: under the sanitizers they
// take minutes and reach no code the reloads do not (the schedule's own test
// runs three counter periods without drawing).
#include "platform/fx/runtime/texture_file.h"
#include "tests/support/image_files.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using testing_support::EnvOr;
using testing_support::ReadFile;

namespace fs = std::filesystem;
using testing_support::ProcessOptions;
using testing_support::ProcessResult;
using testing_support::RunProcess;

constexpr int kTimeoutMs = 540000;  // the long runs take minutes under the sanitizers

bool Sanitized() {
    const char* sanitizers = std::getenv("FLOWFIELD_SANITIZERS");
    return sanitizers != nullptr && std::string(sanitizers) == "1";
}

class CaptureE2e : public ::testing::Test {
protected:
    void SetUp() override {
        binary_ = EnvOr("FLOWFIELD_BIN_DIR", ".") + "/flowfield-capture";
        ASSERT_TRUE(fs::exists(binary_)) << binary_;
        ASSERT_TRUE(temp_.Make("flowfield-capture"));
        workDir_ = temp_.Path();
        fs::copy_file(fs::path(EnvOr("FLOWFIELD_SOURCE_DIR", ".")) / "assets" / "main.fx", workDir_ / "main.fx");
    }
    ProcessResult Capture(std::vector<std::string> args) {
        ProcessOptions options;
        options.args = {binary_};
        options.args.insert(options.args.end(), args.begin(), args.end());
        options.cwd = workDir_.string();
        options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"};
        // A small quarantine, so that freed memory is reused under ASan and
        // peak memory means what it means without it; no dynamic TLS
        // interception, as for every test (tests/CMakeLists.txt says why).
        options.env = {{"SDL_VIDEODRIVER", "offscreen"},
                       {"ASAN_OPTIONS",
                        "detect_leaks=1:abort_on_error=0:quarantine_size_mb=16:"
                        "intercept_tls_get_addr=0"}};
        return RunProcess(options, kTimeoutMs);
    }

    std::string binary_;
    testing_support::TempFolder temp_;
    fs::path workDir_;
};

TEST_F(CaptureE2e, SameClockSamePictureOtherClockAnother) {
    ProcessResult first = Capture({"--clock", "777", "--frames", "30", "--png", "30:a.png", "--quiet"});
    ProcessResult again = Capture({"--clock", "777", "--frames", "30", "--png", "30:b.png", "--quiet"});
    ProcessResult other = Capture({"--clock", "778", "--frames", "30", "--png", "30:c.png", "--quiet"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    ASSERT_EQ(again.exitCode, 0) << again.err;
    ASSERT_EQ(other.exitCode, 0) << other.err;

    std::string a = ReadFile(workDir_ / "a.png");
    ASSERT_GT(a.size(), 1000u);
    EXPECT_EQ(a.substr(1, 3), "PNG");
    EXPECT_EQ(a, ReadFile(workDir_ / "b.png"));
    EXPECT_NE(a, ReadFile(workDir_ / "c.png"));
}

TEST_F(CaptureE2e, PrintsTheFramesConsoleLines) {
    ProcessResult result = Capture({"--frames", "3", "--press", "2:F4"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("Load Shader.\ncounter = 1\nLoad Shader.\ncounter = 0\ncounter = 1\n"),
              std::string::npos)
        << result.out;
}

TEST_F(CaptureE2e, UnwritablePngFailsWithExitCodeOne) {
    ProcessResult result = Capture({"--frames", "1", "--png", "1:/nonexistent-dir/x.png", "--quiet"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;
}

// Every frame rebuilds the scene; nothing may leak or break along the way
// (under the asan preset this is the leak check for repeated reloads).
TEST_F(CaptureE2e, HoldingF5ReloadsEveryFrame) {
    const int frames = 100;
    ProcessResult result = Capture({"--frames", std::to_string(frames), "--hold", "F5"});
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.err.substr(0, 3000);
    size_t loads = 0;
    for (size_t at = result.out.find("Load Shader."); at != std::string::npos; at = result.out.find("Load Shader.", at + 1)) {
        ++loads;
    }
    EXPECT_EQ(loads, static_cast<size_t>(frames + 1));
    EXPECT_EQ(result.out.find("Error"), std::string::npos);
}

// Pixels brighter than the clear colour (0x000022) by more than a faint
// glow, as a share of the frame.
double LitShare(const std::string& png) {
    platform::TextureImage image;
    std::vector<fx::Message> errors;
    fx::MessageCollector sink(&errors);
    if (!fx::DecodeTextureFile(reinterpret_cast<const uint8_t*>(png.data()), png.size(), {},
                               &image, sink)) {
        ADD_FAILURE() << (errors.empty() ? std::string() : errors[0].text);
        return 0;
    }
    const uint8_t* p = image.Data(0, 0);
    size_t lit = 0, count = size_t{image.width} * image.height;
    for (size_t i = 0; i < count; ++i, p += 4) {
        const int blue = std::max(p[2] - 0x22, 0);
        if (std::max({int{p[0]}, int{p[1]}, blue}) > 24) ++lit;
    }
    return static_cast<double>(lit) / static_cast<double>(count);
}

// Each effect of the gallery, run where it lies by its path, as the README
// shows it: it loads, and lights more than a sliver of the frame (the
// sparkles, the sparsest, light about 2%; with the opaque black stand-in
// instead of their images none would).
TEST_F(CaptureE2e, EveryGalleryEffectLoadsAndDraws) {
    const fs::path gallery = fs::path(EnvOr("FLOWFIELD_SOURCE_DIR", ".")) / "assets" / "examples";
    int effects = 0;
    for (const auto& entry : fs::directory_iterator(gallery)) {
        if (entry.path().extension() != ".fx") continue;
        ++effects;
        const std::string name = entry.path().stem().string();
        SCOPED_TRACE(name);
        ProcessResult result =
            Capture({"--clock", "1234", "--frames", "20", "--png", "20:" + name + ".png",
                     entry.path().string()});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out.rfind("Load Shader.\ncounter = 1\n", 0), 0u)
            << result.out.substr(0, 2000);
        EXPECT_GT(LitShare(ReadFile(workDir_ / (name + ".png"))), 0.01);
    }
    EXPECT_GE(effects, 4);
}

// A reload reads the images again and lets the old ones go: F5 held with
// sparkles.fx (its PNG sprite decoded by stb_image each time) and a
// 2048 x 2048 DXT5 DDS with all its levels (5.3 MiB) leaks nothing under
// the leak checker, and the most memory held is the same after many
// reloads as after a few.
TEST_F(CaptureE2e, ReloadingAnEffectWithALargeImageHoldsMemoryFlat) {
    const fs::path gallery = fs::path(EnvOr("FLOWFIELD_SOURCE_DIR", ".")) / "assets" / "examples";
    for (const char* file : {"common.fxh", "spark.png"}) {
        fs::copy_file(gallery / file, workDir_ / file);
    }
    std::ofstream(workDir_ / "sparkles.fx")
        << "texture Large < string ResourceName = \"large.dds\"; >;\n"
        << ReadFile(gallery / "sparkles.fx");
    testing_support::DdsFile dds = testing_support::DdsFile::Dxt(5).Size(2048, 2048);
    for (int size = 2048; size >= 1; size /= 2) {
        const int padded = std::max(size, 4);
        testing_support::Bytes rgba;
        for (int i = 0; i < padded * padded; ++i) {
            rgba.insert(rgba.end(), {uint8_t(i), uint8_t(i >> 8), uint8_t(size), 255});
        }
        testing_support::Bytes blocks = testing_support::CompressDxt(5, padded, padded, rgba);
        dds.data.insert(dds.data.end(), blocks.begin(), blocks.end());
    }
    const testing_support::Bytes large = dds.Mips(12).Build();
    std::ofstream(workDir_ / "large.dds", std::ios::binary)
        .write(reinterpret_cast<const char*>(large.data()),
               static_cast<std::streamsize>(large.size()));

    auto reload = [&](int frames) {
        ProcessResult result = Capture({"--frames", std::to_string(frames), "--hold", "F5",
                                        "sparkles.fx"});
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 0) << result.err.substr(0, 3000);
        size_t loads = 0;
        for (size_t at = result.out.find("Load Shader."); at != std::string::npos;
             at = result.out.find("Load Shader.", at + 1)) {
            ++loads;
        }
        EXPECT_EQ(loads, static_cast<size_t>(frames + 1));
        return result.maxResidentKiB;
    };
    const long few = reload(10);
    const long many = reload(100);
    // One image kept by mistake per reload would be 5.3 MiB each in our
    // memory, and as much or more in the driver's.
    EXPECT_LT(many - few, 48 * 1024)
        << "peak KiB after 10 reloads " << few << ", after many " << many;
}

// 9100 frames: the counter wraps past 9000 and the particles are scattered
// afresh, and nothing may fail or leak along the way.
TEST_F(CaptureE2e, NineThousandOneHundredFramesWrapTheCounter) {
    if (Sanitized()) GTEST_SKIP() << "minutes under the sanitizers: the release build runs it";
    ProcessResult result = Capture({"--frames", "9100", "--clock", "99"});
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.err.substr(0, 3000);
    size_t zeros = 0;
    for (size_t at = result.out.find("counter = 0\n"); at != std::string::npos;
         at = result.out.find("counter = 0\n", at + 1)) {
        ++zeros;
    }
    EXPECT_EQ(zeros, 1u);
    EXPECT_NE(result.out.rfind("counter = 9000\ncounter = 0\n"), std::string::npos);
    EXPECT_NE(result.out.rfind("counter = 99\n"), std::string::npos);  // 9100 - 9000 - 1
    EXPECT_EQ(result.err.find("ERROR"), std::string::npos);
}

}  // namespace
