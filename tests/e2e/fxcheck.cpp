// flowfield-fxcheck as a user runs it (no X server): good, broken and
// hostile effect files, exit codes and what it prints.
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_text.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testing_support::EnvOr;

namespace fs = std::filesystem;
using testing_support::ProcessOptions;
using testing_support::ProcessResult;
using testing_support::RunProcess;

constexpr int kTimeoutMs = 240000;

class FxCheckE2e : public ::testing::Test {
protected:
    void SetUp() override {
        binary_ = EnvOr("FLOWFIELD_BIN_DIR", ".") + "/flowfield-fxcheck";
        ASSERT_TRUE(fs::exists(binary_)) << binary_;
        corpus_ = fs::path(EnvOr("FLOWFIELD_SOURCE_DIR", ".")) / "tests" / "fx-corpus";
        ASSERT_TRUE(temp_.Make("flowfield-fxcheck"));
        workDir_ = temp_.Path();
    }
    ProcessResult Check(std::vector<std::string> args, int timeoutMs = kTimeoutMs) {
        ProcessOptions options;
        options.args = {binary_};
        options.args.insert(options.args.end(), args.begin(), args.end());
        options.cwd = workDir_.string();
        options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
        return RunProcess(options, timeoutMs);
    }

    std::string Write(const std::string& name, const std::string& text) {
        fs::path path = workDir_ / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    static void ExpectExit(const ProcessResult& r, int code) {
        ASSERT_TRUE(r.started) << r.startError;
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.signal, 0) << "killed by a signal\n" << r.out << r.err;
        EXPECT_EQ(r.exitCode, code) << r.out << r.err;
    }

    std::string binary_;
    fs::path corpus_;
    testing_support::TempFolder temp_;
    fs::path workDir_;
};

const char* const kSmallEffect =
    "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1.0); }\n"
    "float4 ps_main() : COLOR0 { return 1; }\n"
    "technique T { pass P {\n"
    "    VertexShader = compile vs_3_0 vs_main();\n"
    "    PixelShader = compile ps_3_0 ps_main(); } }\n";

TEST_F(FxCheckE2e, GoodFileListsTechniquesPassesEntriesAndProfiles) {
    std::string file = (corpus_ / "real" / "uniform_args.fx").string();
    ProcessResult first = Check({file});
    ExpectExit(first, 0);
    EXPECT_EQ(first.out.find(file + ": ok\n"), 0u) << first.out;
    EXPECT_NE(first.out.find("  technique OneLight\n    pass P0\n"
                             "      vertex: vs_2_0 VS(1, false)\n"
                             "      pixel: ps_2_0 PS(false)\n"),
              std::string::npos)
        << first.out;
    EXPECT_NE(first.out.find("technique FourLightsSpecular (not compiled"), std::string::npos)
        << first.out;

    ProcessResult all = Check({"--all", "--glsl", file});
    ExpectExit(all, 0);
    EXPECT_EQ(all.out.find("not compiled"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("      vertex: vs_3_0 VS(4, true)\n        | #version 450"),
              std::string::npos)
        << all.out;
}

TEST_F(FxCheckE2e, RegistersListsEachStagesConstants) {
    ProcessResult r = Check({"--registers", (corpus_ / "../../assets/main.fx").string()});
    ExpectExit(r, 0);
    EXPECT_NE(r.out.find("      vertex: vs_3_0 vs_main()\n        ParticleSize c64 1\n"
                         "        PulseAmount c65 1\n        PulseSpeed c66 1\n        Intensity c67 1\n"
                         "        ColorA c70 1\n        ColorB c71 1\n        ColorC c72 1\n"
                         "        time c0 1\n        side c1 1\n"
                         "        up c2 1\n        viewProj c4 4\n      pixel: ps_3_0 ps_main()\n"
                         "        Halo c68 1\n        Core c69 1\n"),
              std::string::npos)
        << r.out;
}

// Under each pass, each sampler it reads with what is on its stage: the
// image a texture's file held, or the opaque black stand-in.
TEST_F(FxCheckE2e, PassesListTheirSamplersAndTheImagesTheyRead) {
    std::string file = (corpus_ / "real" / "normal_map.fx").string();
    ProcessResult r = Check({file});
    ExpectExit(r, 0);
    EXPECT_NE(r.out.find("    pass Single\n"
                         "      vertex: vs_2_0 VS_NormalMap()\n"
                         "      pixel: ps_2_0 PS_NormalMap()\n"
                         "      sampler ColorSampler, stage 0: ColorMap from 'rock_color.dds', "
                         "2D 16 x 16 DXT1, 5 levels\n"
                         "      sampler NormalSampler, stage 1: NormalMap from 'rock_normal.dds', "
                         "2D 16 x 16 BGRA8, 5 levels\n"),
              std::string::npos)
        << r.out;
    ProcessResult plain = Check({(corpus_ / "real" / "textured_lowercase.fx").string()});
    ExpectExit(plain, 0);
    EXPECT_NE(plain.out.find("      sampler diffuseSampler, stage 0: diffuseTexture, no file "
                             "(opaque black)\n"),
              std::string::npos)
        << plain.out;
}

TEST_F(FxCheckE2e, TheWholeRealCorpusCompilesInOneRun) {
    std::vector<std::string> args = {"--all"};
    for (const auto& entry : fs::directory_iterator(corpus_ / "real")) {
        if (entry.path().extension() == ".fx") args.push_back(entry.path().string());
    }
    ASSERT_GE(args.size(), 24u);
    ProcessResult r = Check(args);
    ExpectExit(r, 0);
    size_t oks = 0;
    for (size_t at = r.out.find(": ok\n"); at != std::string::npos;
         at = r.out.find(": ok\n", at + 1)) {
        ++oks;
    }
    EXPECT_EQ(oks, args.size() - 1) << r.out;
    EXPECT_EQ(r.out.find(": error: "), std::string::npos) << r.out;
}

TEST_F(FxCheckE2e, PixelOnlyPassSaysItsVertexStageIsGenerated) {
    std::string file = Write("post.fx",
                             "float4 ps_main(float2 uv : TEXCOORD0) : COLOR0 { return uv.xyxy; }\n"
                             "technique T { pass P { VertexShader = null;\n"
                             "    PixelShader = compile ps_2_0 ps_main(); } }\n");
    ProcessResult r = Check({"--glsl", file});
    ExpectExit(r, 0);
    EXPECT_NE(r.out.find("      vertex: none (fixed-function stand-in)\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("gl_Position"), std::string::npos) << r.out;
}

// -T mode, one case a file in tests/fx-corpus/shaders (its README gives the
// "//!" lines): the options, the exit code, lines the output holds.
TEST_F(FxCheckE2e, ShaderModeCasesFromFiles) {
    int cases = 0;
    for (const auto& entry : fs::directory_iterator(corpus_ / "shaders")) {
        if (entry.path().extension() != ".hlsl") continue;
        ++cases;
        const std::string file = entry.path().string();
        SCOPED_TRACE(file);
        std::vector<std::string> args;
        std::vector<std::string> lines;
        int exitCode = 0;
        std::ifstream in(file);
        for (std::string line; std::getline(in, line) && line.rfind("//! ", 0) == 0;) {
            std::istringstream words(line.substr(4));
            std::string key;
            words >> key;
            if (key == "args") {
                for (std::string w; words >> w;) args.push_back(w);
            } else if (key == "exit") {
                words >> exitCode;
            } else if (key == "line") {
                std::string text = line.substr(std::string("//! line ").size());
                for (size_t at; (at = text.find("FILE")) != std::string::npos;)
                    text.replace(at, 4, file);
                lines.push_back(text);
            } else {
                ADD_FAILURE() << "unknown '//!' line: " << line;
            }
        }
        ASSERT_FALSE(args.empty()) << "no '//! args' line";
        args.push_back(file);
        ProcessResult r = Check(args);
        ExpectExit(r, exitCode);
        for (const std::string& text : lines) {
            EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
        }
    }
    EXPECT_GE(cases, 10);
}

TEST_F(FxCheckE2e, EveryBrokenFileIsAnErrorWithItsNameAndNeverACrash) {
    int files = 0;
    for (const auto& entry : fs::directory_iterator(corpus_ / "bad")) {
        if (entry.path().extension() != ".fx") continue;
        ++files;
        std::string file = entry.path().string();
        ProcessResult r = Check({file});
        SCOPED_TRACE(file);
        ExpectExit(r, 1);
        // The file, or one it includes named after it (FILE_b.fxh).
        EXPECT_EQ(r.out.find(file.substr(0, file.size() - 3)), 0u) << r.out;
        EXPECT_NE(r.out.find(": error: "), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find(": ok\n"), std::string::npos) << r.out;
    }
    EXPECT_GE(files, 10);
}

// An image that cannot be used is a warning: the effect is ok and its
// sampler reads the placeholder.
TEST_F(FxCheckE2e, UnreadImageIsAWarningAndTheEffectLoads) {
    int files = 0;
    for (const auto& entry : fs::directory_iterator(corpus_ / "unread_images")) {
        if (entry.path().extension() != ".fx") continue;
        ++files;
        std::string file = entry.path().string();
        ProcessResult r = Check({file});
        SCOPED_TRACE(file);
        ExpectExit(r, 0);
        EXPECT_EQ(r.out.find(file + ": ok\n"), 0u) << r.out;
        EXPECT_NE(r.out.find("): warning: cannot "), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("not read, a placeholder: 2D 8 x 8 RGBA8"), std::string::npos) << r.out;
    }
    EXPECT_GE(files, 7);
}

// -D NAME[=VALUE] defines a macro before the first line; a profile left as
// a bare name gets the hint to do so.
TEST_F(FxCheckE2e, HostMacrosNameTheProfile) {
    std::string file = Write("host.fx",
                             "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, ON); }\n"
                             "technique T { pass P {\n"
                             "    VertexShader = compile VS_PROFILE vs_main(); } }\n");
    ProcessResult r = Check({"-D", "VS_PROFILE=vs_2_0", "-DON", file});
    ExpectExit(r, 0);
    EXPECT_NE(r.out.find("vertex: vs_2_0 vs_main()"), std::string::npos) << r.out;
    r = Check({file});
    ExpectExit(r, 1);
    EXPECT_EQ(r.out, file + "(3,28): error: unknown profile 'VS_PROFILE': is it a macro your host "
                            "program defines? (-D VS_PROFILE=vs_2_0)\n");
    r = Check({"-D", "=ps_2_0", file});
    ExpectExit(r, 2);
}

TEST_F(FxCheckE2e, RunawayIncludesAndMacrosStopWithOneLocatedError) {
    // Without the load's budget the first never finished and the second held
    // the compiler child to its 10 s deadline; now each stops in a fraction
    // of a second (a slow machine may reach the budget's clock first, at
    // another line: the exact lines are the preprocessor tests').
    const fs::path bad = corpus_ / "bad";
    struct Case {
        std::string file;
        std::string start;  // of the one line printed
    } cases[] = {
        {"include_fan_out.fx", "include_fan_out_"},
        {"macro_bomb.fx", "macro_bomb.fx("},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ProcessResult r = Check({(bad / c.file).string()}, 30000);
        ExpectExit(r, 1);
        EXPECT_EQ(r.out.find((bad / c.start).string()), 0u) << r.out;
        EXPECT_NE(r.out.find("the load's limit of"), std::string::npos) << r.out;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    }
}

TEST_F(FxCheckE2e, OneBrokenFileAmongGoodOnesMakesTheExitOne) {
    std::string good = Write("good.fx", kSmallEffect);
    std::string broken = Write("broken.fx", std::string(kSmallEffect) + "}\n");
    ProcessResult r = Check({good, broken, good});
    ExpectExit(r, 1);
    size_t firstOk = r.out.find(good + ": ok");
    size_t error = r.out.find(broken + "(");
    size_t secondOk = r.out.find(good + ": ok", firstOk + 1);
    EXPECT_NE(firstOk, std::string::npos) << r.out;
    EXPECT_NE(error, std::string::npos) << r.out;
    EXPECT_NE(secondOk, std::string::npos) << r.out;
    EXPECT_LT(firstOk, error);
    EXPECT_LT(error, secondOk);
}

TEST_F(FxCheckE2e, IncludesAreReadFromTheEffectFilesFolder) {
    Write("shaders/lib/colour.fxh", "float4 Tint() { return float4(1, 0, 0, 1); }\n");
    std::string file = Write("shaders/lib/../tinted.fx",
                             "#include \"lib/colour.fxh\"\n" + std::string(kSmallEffect));
    // The working directory is not the effect's folder.
    ProcessResult r = Check({file});
    ExpectExit(r, 0);

    std::string missing = Write("other/missing.fx", "\n#include \"nowhere.fxh\"\n" +
                                                        std::string(kSmallEffect));
    ProcessResult m = Check({missing});
    ExpectExit(m, 1);
    EXPECT_NE(m.out.find(missing + "(2,"), std::string::npos) << m.out;
    EXPECT_NE(m.out.find("nowhere.fxh"), std::string::npos) << m.out;
}

TEST_F(FxCheckE2e, HostileFilesGiveErrorsNotCrashes) {
    std::vector<std::string> files;
    files.push_back((workDir_ / "does-not-exist.fx").string());
    files.push_back(workDir_.string());  // a directory
    files.push_back(Write("nul.fx", std::string("technique T {\0 pass P {} }", 26)));
    files.push_back(Write("deep.fx", std::string(20000, '(') + std::string(20000, ')')));
    files.push_back(Write("braces.fx", "technique T " + std::string(5000, '{')));
    files.push_back(Write("self.fx", "#include \"self.fx\"\n" + std::string(kSmallEffect)));
    files.push_back(Write("dev.fx", "#include \"/dev/zero\"\n" + std::string(kSmallEffect)));
    files.push_back(Write("args.fx",
                          "float4 vs_main(float3 p : POSITION, uniform float k) : POSITION\n"
                          "{ return float4(p * k, 1.0); }\n"
                          "float4 ps_main() : COLOR0 { return 1; }\n"
                          "technique T { pass P {\n"
                          "    VertexShader = compile vs_3_0 vs_main(1, 2, 3);\n"
                          "    PixelShader = compile ps_3_0 ps_main(); } }\n"));
    std::string fifo = (workDir_ / "fifo.fx").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    files.push_back(fifo);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        ProcessResult r = Check({file});
        ExpectExit(r, 1);
        EXPECT_EQ(r.out.find(file), 0u) << r.out;
        EXPECT_EQ(r.out.find(": ok\n"), std::string::npos) << r.out;
    }
    ProcessResult args = Check({(workDir_ / "args.fx").string()});
    EXPECT_NE(args.out.find("args.fx(5,"), std::string::npos) << args.out;
    EXPECT_NE(args.out.find("3 arguments"), std::string::npos) << args.out;
}

}  // namespace
