// flowfield-capture's videos, decoded again with ffmpeg: frame k of a
// lossless .mkv and of --raw output is the frame --png k writes, pixel for
// pixel; .mp4 and .webm hold exactly one frame per frame of the schedule;
// --scale 2 doubles both sizes; without ffmpeg, or when it fails, the tool
// exits with 1, says why and leaves no file.
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_text.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using testing_support::EnvOr;
using testing_support::ProcessOptions;
using testing_support::ProcessResult;
using testing_support::ReadFile;
using testing_support::RunProcess;

namespace fs = std::filesystem;

constexpr int kTimeoutMs = 300000;
constexpr size_t kFrameRgb = 640 * 480 * 3;

class CaptureVideoE2e : public ::testing::Test {
protected:
    void SetUp() override {
        binary_ = EnvOr("FLOWFIELD_BIN_DIR", ".") + "/flowfield-capture";
        ASSERT_TRUE(fs::exists(binary_)) << binary_;
        ASSERT_TRUE(temp_.Make("flowfield-video"));
        dir_ = temp_.Path();
        fs::copy_file(fs::path(EnvOr("FLOWFIELD_SOURCE_DIR", ".")) / "assets" / "main.fx", dir_ / "main.fx");
    }

    ProcessResult Run(std::vector<std::string> args, const std::string& path = "") {
        ProcessOptions options;
        options.args = std::move(args);
        options.cwd = dir_.string();
        options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"};
        options.env = {{"SDL_VIDEODRIVER", "offscreen"}};
        if (!path.empty()) options.env.push_back({"PATH", path});
        return RunProcess(options, kTimeoutMs);
    }

    ProcessResult Capture(std::vector<std::string> args, const std::string& path = "") {
        args.insert(args.begin(), binary_);
        return Run(args, path);
    }

    // An image or video file's frames as RGB bytes, decoded by ffmpeg.
    std::string DecodeRgb(const std::string& file) {
        ProcessResult result = Run({"ffmpeg", "-v", "error", "-i", file, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
        EXPECT_EQ(result.exitCode, 0) << file << ": " << result.err;
        return result.out;
    }

    // What ffprobe counts in the file: "frames,width,height".
    std::string Probe(const std::string& file) {
        ProcessResult result = Run({"ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
                                    "-show_entries", "stream=nb_read_frames,width,height", "-of",
                                    "csv=p=0:nk=1", file});
        EXPECT_EQ(result.exitCode, 0) << file << ": " << result.err;
        std::string out = result.out;
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return out;
    }

    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename());
        return names;
    }

    std::string binary_;
    testing_support::TempFolder temp_;
    fs::path dir_;
};

TEST_F(CaptureVideoE2e, LosslessVideoAndRawFramesAreThePngCaptures) {
    constexpr int kFrames = 8;
    std::vector<std::string> args = {"--clock", "4321", "--frames", std::to_string(kFrames), "--quiet",
                                     "--video", "v.mkv"};
    for (int k = 1; k <= kFrames; ++k) {
        args.push_back("--png");
        args.push_back(std::to_string(k) + ":" + std::to_string(k) + ".png");
    }
    ProcessResult video = Capture(args);
    ASSERT_EQ(video.exitCode, 0) << video.err;
    ProcessResult raw = Capture({"--clock", "4321", "--frames", std::to_string(kFrames), "--raw", "-"});
    ASSERT_EQ(raw.exitCode, 0) << raw.err;

    std::string decoded = DecodeRgb("v.mkv");
    ASSERT_EQ(decoded.size(), kFrameRgb * kFrames);
    ASSERT_EQ(raw.out.size(), kFrameRgb / 3 * 4 * kFrames) << "raw RGBA only, no console lines";
    for (int k = 1; k <= kFrames; ++k) {
        SCOPED_TRACE("frame " + std::to_string(k));
        std::string png = DecodeRgb(std::to_string(k) + ".png");
        ASSERT_EQ(png.size(), kFrameRgb);
        EXPECT_TRUE(decoded.compare((k - 1) * kFrameRgb, kFrameRgb, png) == 0);
        const char* rgba = raw.out.data() + (k - 1) * kFrameRgb / 3 * 4;
        size_t differ = 0;
        for (size_t i = 0; i < kFrameRgb / 3; ++i) {
            bool same = rgba[i * 4] == png[i * 3] && rgba[i * 4 + 1] == png[i * 3 + 1] &&
                        rgba[i * 4 + 2] == png[i * 3 + 2] && static_cast<unsigned char>(rgba[i * 4 + 3]) == 255;
            if (!same) ++differ;
        }
        EXPECT_EQ(differ, 0u);
        if (k > 1) {
            EXPECT_NE(png, DecodeRgb(std::to_string(k - 1) + ".png")) << "the particles move";
        }
    }
}

TEST_F(CaptureVideoE2e, EveryFrameOfTheScheduleIsOneVideoFrame) {
    for (const char* file : {"a.mp4", "a.webm", "a.mkv"}) {
        SCOPED_TRACE(file);
        ProcessResult result = Capture({"--frames", "13", "--fps", "30", "--quiet", "--video", file});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(Probe(file), "640,480,13");
    }
    ProcessResult result = Capture({"--frames", "5", "--quiet", "--raw", "b.raw"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(fs::file_size(dir_ / "b.raw"), 5u * 640 * 480 * 4);
    // A device (here behind a link) is written as it is, never renamed over.
    fs::create_symlink("/dev/null", dir_ / "sink.raw");
    result = Capture({"--frames", "2", "--quiet", "--raw", "sink.raw"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(fs::is_symlink(dir_ / "sink.raw"));
    EXPECT_FALSE(fs::exists(dir_ / "sink.raw.part"));
}

TEST_F(CaptureVideoE2e, ScaleTwoDoublesBothSizes) {
    ProcessResult result = Capture({"--frames", "2", "--scale", "2", "--png", "2:big.png", "--quiet",
                                    "--video", "big.mkv"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::string png = ReadFile(dir_ / "big.png");
    ASSERT_GT(png.size(), 24u);
    auto word = [&](size_t at) {
        return (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
               (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
    };
    EXPECT_EQ(word(16), 1280u);
    EXPECT_EQ(word(20), 960u);
    EXPECT_EQ(Probe("big.mkv"), "1280,960,2");
}

TEST_F(CaptureVideoE2e, WithoutFfmpegOrWhenItFailsNoFileIsLeft) {
    // A PATH without ffmpeg, and one whose ffmpeg reads a little and fails.
    fs::create_directory(dir_ / "bin");
    fs::path fake = dir_ / "bin" / "ffmpeg";
    std::ofstream(fake) << "#!/bin/sh\necho 'first words' >&2\necho 'no encoder for you' >&2\n"
                           "head -c 1000 >/dev/null\nexit 3\n";
    fs::permissions(fake, fs::perms::owner_all);
    const struct {
        std::string path;
        std::vector<std::string> says;
    } cases[] = {
        {"/nonexistent", {"ffmpeg", "Debian package ffmpeg"}},
        {(dir_ / "bin").string() + ":/usr/bin:/bin", {"exit code 3", "first words\nno encoder for you"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ProcessResult result = Capture({"--frames", "20", "--quiet", "--video", "gone.mp4"}, c.path);
        EXPECT_EQ(result.exitCode, 1);
        for (const std::string& words : c.says) EXPECT_NE(result.err.find(words), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(dir_ / "gone.mp4"));
        EXPECT_FALSE(fs::exists(dir_ / "gone.mp4.part"));
    }
    // The tool itself and raw frames do not need it.
    ProcessResult raw = Capture({"--frames", "2", "--quiet", "--raw", "r.raw", "--png", "2:p.png"}, "/nonexistent");
    EXPECT_EQ(raw.exitCode, 0) << raw.err;
    EXPECT_TRUE(fs::exists(dir_ / "p.png"));
}

}  // namespace
