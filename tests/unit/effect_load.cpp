// Loading effect files through D3DXCreateEffectFromFileA on the recording
// device: every bad input of the corpus fails with a located message and no
// effect, and good files still compile afterwards.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fx/fx.h"
#include "platform/fx/server/compiler_child.h"
#include "platform/fx/shared/message.h"
#include "tests/support/case_file.h"
#include "tests/support/recording_device.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_text.h"

namespace fs = std::filesystem;
using testing_support::RecordingDevice;

namespace {

using testing_support::ReadFile;

fs::path SourceDir() {
    const char* dir = std::getenv("FLOWFIELD_SOURCE_DIR");
    return dir ? fs::path(dir) : fs::path(".");
}

// Each test runs in its own directory, as the program does with "main.fx".
class EffectLoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Make("effect_load"));
        dir_ = temp_.Path();
        old_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(old_);
    }

    void WriteMain(const std::string& text) {
        std::ofstream out(dir_ / "main.fx", std::ios::binary | std::ios::trunc);
        out << text;
    }
    void UseCorpus(const std::string& relative) {
        fs::path path = SourceDir() / "tests/fx-corpus" / relative;
        ASSERT_TRUE(fs::is_regular_file(path)) << path << " (is FLOWFIELD_SOURCE_DIR set?)";
        WriteMain(ReadFile(path));
    }

    // Loads main.fx; returns the result code and fills text with the buffer.
    HRESULT Load(std::string* text, ID3DXEffect** effectOut = nullptr) {
        ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(0x1);
        ID3DXBuffer* errors = reinterpret_cast<ID3DXBuffer*>(0x1);
        HRESULT hr = D3DXCreateEffectFromFileA(&device_, "main.fx", nullptr, nullptr, 0, nullptr,
                                               &effect, &errors);
        text->clear();
        if (errors) {
            const char* p = static_cast<const char*>(errors->GetBufferPointer());
            EXPECT_EQ(errors->GetBufferSize(), std::strlen(p) + 1);
            *text = p;
            errors->Release();
        }
        if (hr != S_OK) {
            EXPECT_EQ(effect, nullptr);
            EXPECT_NE(errors, nullptr) << "a failure always explains itself";
        }
        if (effectOut) {
            *effectOut = effect;
        } else if (effect) {
            effect->Release();
        }
        return hr;
    }

    RecordingDevice device_;
    testing_support::TempFolder temp_;
    fs::path dir_;
    fs::path old_;
};

TEST_F(EffectLoad, MainFxOfTheProjectCompiles) {
    ASSERT_TRUE(fs::is_regular_file(SourceDir() / "assets/main.fx"));
    WriteMain(ReadFile(SourceDir() / "assets/main.fx"));
    std::string text;
    ID3DXEffect* effect = nullptr;
    ASSERT_EQ(Load(&text, &effect), S_OK) << text;
    EXPECT_EQ(text, "") << "main.fx names every register, so there is nothing to warn about";
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(device_.log.Count("CreateShaderProgram"), 1);
    effect->Release();
}

TEST_F(EffectLoad, MissingFileSaysWhy) {
    std::string text;
    EXPECT_NE(Load(&text), S_OK);
    EXPECT_EQ(text, "main.fx: cannot open file: No such file or directory\n");
}

TEST_F(EffectLoad, DirectoryNamedMainFx) {
    fs::create_directory(dir_ / "main.fx");
    std::string text;
    EXPECT_NE(Load(&text), S_OK);
    EXPECT_EQ(text, "main.fx: cannot open file: Is a directory\n");
}

TEST_F(EffectLoad, FifoNamedMainFxDoesNotBlock) {
    ASSERT_EQ(mkfifo((dir_ / "main.fx").c_str(), 0600), 0);
    std::string text;
    EXPECT_NE(Load(&text), S_OK);
    EXPECT_EQ(text, "main.fx: cannot open file: not a regular file\n");
}

TEST_F(EffectLoad, HugeFileIsRefusedBeforeReading) {
    WriteMain(std::string(5u << 20, ' '));
    std::string text;
    EXPECT_NE(Load(&text), S_OK);
    EXPECT_NE(text.find("main.fx: error: the file is 5242880 bytes long"), std::string::npos)
        << text;
}

TEST_F(EffectLoad, ErrorLinesCarryTheFilesTrueLineAndTheEntry) {
    // The technique comes first, so the lines it took sit above the error.
    WriteMain(
        "technique T\n{\n    pass P\n    {\n"
        "        VertexShader = compile vs_3_0 vs_main();\n"
        "        PixelShader = compile ps_3_0 ps_main();\n    }\n}\n"
        "float4 vs_main(float3 p : POSITION) : POSITION\n"
        "{\n"
        "    return float4(p, 1.0) + undefinedThing;\n"
        "}\n"
        "float4 ps_main() : COLOR0 { return 1.0; }\n");
    std::string text;
    EXPECT_NE(Load(&text), S_OK);
    EXPECT_EQ(
        text.rfind("main.fx(11,29): error: 'undefinedThing': unknown variable (vs_main)\n", 0), 0u)
        << text;
    // The same source fails the same way for the pixel stage; said once.
    EXPECT_EQ(text.find("unknown variable (ps_main)"), std::string::npos) << text;
    EXPECT_EQ(device_.log.Count("CreateShaderProgram"), 0);
}

// What stops the compiler's process has no line of its own: it is said at
// the compile statement of the entry point it names.
TEST_F(EffectLoad, ACrashedCompileIsSaidAtItsCompileStatement) {
    WriteMain(
        "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1); }\n"
        "float4 ps_main() : COLOR0 { return 1; }\n"
        "technique T { pass P {\n"
        "    VertexShader = compile vs_3_0 vs_main();\n"
        "    PixelShader = compile ps_3_0 ps_main(); } }\n");
    fx::SetChildFaultForTesting(fx::ChildFault::Crash, 1);
    std::string text;
    const HRESULT hr = Load(&text);
    fx::SetChildFaultForTesting(fx::ChildFault::None);
    EXPECT_NE(hr, S_OK);
    EXPECT_EQ(text.rfind("main.fx(5,5): error: the shader compiler crashed (signal 11) while "
                         "compiling ps_main\n", 0), 0u) << text;
}

TEST_F(EffectLoad, InitialValueItCannotEvaluateIsAWarningOnly) {
    WriteMain(
        "float4 Red() { return float4(1, 0, 0, 1); }\n"
        "float4 tint = Red();\n"
        "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1.0); }\n"
        "float4 ps_main() : COLOR0 { return tint; }\n"
        "technique T { pass P {\n"
        "    VertexShader = compile vs_3_0 vs_main();\n"
        "    PixelShader = compile ps_3_0 ps_main(); } }\n");
    std::string text;
    EXPECT_EQ(Load(&text), S_OK) << text;
    EXPECT_EQ(text,
              "main.fx(2,8): warning: the initial value of 'tint' cannot be evaluated ('Red' is not "
              "a constant it can evaluate); it starts at zero\n");
}

// The lines of a text.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(MessageList, ShowsTheFirstHundredErrorsFirstAndCountsTheRest) {
    const struct {
        int errors;
        int warnings;
        int unshownErrors;  // dropped by a stage before it handed the rest on
        int unshownWarnings;
        std::string last;  // the last line
        bool twice = false;  // every message said again (both stages of a pass)
    } cases[] = {
        {3, 5, 0, 0, "main.fx(5,1): warning: w5"},
        {60, 40, 0, 0, "main.fx(40,1): warning: w40"},
        {60, 41, 0, 0, "main.fx: 1 more message not shown (0 errors, 1 warning)"},
        {150, 20, 0, 0, "main.fx: 70 more messages not shown (50 errors, 20 warnings)"},
        {150, 20, 0, 0, "main.fx: 70 more messages not shown (50 errors, 20 warnings)", true},
        {1, 100, 0, 150, "main.fx: 151 more messages not shown (0 errors, 151 warnings)"},
        {100, 0, 7, 0, "main.fx: 7 more messages not shown (7 errors, 0 warnings)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.last);
        fx::MessageList list("main.fx");
        // Warnings and errors interleaved, as the stages make them.
        auto text = [](char kind, int i) {
            std::string t(1, kind);
            t += std::to_string(i);
            return t;
        };
        for (int pass = 0; pass < (c.twice ? 2 : 1); ++pass) {
            for (int i = 1; i <= std::max(c.errors, c.warnings); ++i) {
                if (i <= c.warnings) list.Add(fx::WarningAt({i, 1, ""}, text('w', i)));
                if (i <= c.errors) list.Error({i, 1, ""}, text('e', i));
            }
        }
        list.AddUnshown(c.unshownErrors, c.unshownWarnings);
        std::vector<std::string> lines = Lines(list.Text());
        const int total = c.errors + c.warnings + c.unshownErrors + c.unshownWarnings;
        ASSERT_EQ(lines.size(), static_cast<size_t>(std::min(total, 100) + (total > 100)));
        EXPECT_EQ(lines.back(), c.last);
        if (c.errors > 0) {
            EXPECT_EQ(lines.front(), "main.fx(1,1): error: e1");
        }
        EXPECT_EQ(list.HasErrors(), c.errors + c.unshownErrors > 0);
    }
}

// A message without a place takes the place and entry point of the
// innermost FallbackScope (the compile statement of the SPIR-V passes, a
// texture's name for its decoder); one with a line, or with an included
// file's name, keeps its own; a scope left gives back the one before it; a
// bare line has no place to take.
TEST(MessageSink, MessagesWithoutAPlaceAreSaidAtTheFallback) {
    fx::MessageList list("fx/main.fx");
    list.Error("before any scope");
    {
        fx::FallbackScope statement(list, {12, 5, ""}, "vs_main");
        list.Error("no place");
        list.Error({3, 7, ""}, "its own line");
        fx::Message included = fx::ErrorAt({0, 0, "inc.fxh"}, "its own file");
        included.entry = "ps_main";
        list.Add(included);
        {
            fx::FallbackScope name(list, {20, 9, "inc.fxh"});
            list.Warning("in the inner scope");
        }
        list.Error("the outer scope again");
    }
    list.Error("after every scope");
    list.Bare("cannot open file: x");
    EXPECT_EQ(list.Text(),
              "fx/main.fx: error: before any scope\n"
              "fx/main.fx(12,5): error: no place (vs_main)\n"
              "fx/main.fx(3,7): error: its own line (vs_main)\n"
              "fx/inc.fxh: error: its own file (ps_main)\n"
              "fx/main.fx(12,5): error: the outer scope again (vs_main)\n"
              "fx/main.fx: error: after every scope\n"
              "fx/main.fx: cannot open file: x\n"
              "fx/inc.fxh(20,9): warning: in the inner scope\n");
    EXPECT_EQ(list.ErrorCount(), 7u);
}

TEST_F(EffectLoad, AFloodOfWarningsIsCappedAndTheErrorComesFirst) {
    // 250 globals whose initial values the loader cannot evaluate, each
    // worth a warning, and one error.
    std::string text = "float4 One() { return 1; }\n";
    for (int i = 0; i < 250; ++i)
        text += "float4 g" + std::to_string(i) + " = One();\n";
    text +=
        "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1.0) + g0; }\n"
        "float4 ps_main() : COLOR0 { return g1; }\n"
        "technique T { pass P {\n"
        "    VertexShader = compile vs_3_0 vs_main();\n"
        "    PixelShader = compile ps_3_0 ps_mian(); } }\n";
    WriteMain(text);
    std::string out;
    EXPECT_NE(Load(&out), S_OK);
    std::vector<std::string> lines = Lines(out);
    ASSERT_EQ(lines.size(), 101u) << out.substr(0, 2000);
    EXPECT_EQ(lines[0].find("main.fx(256,"), 0u) << lines[0];
    EXPECT_NE(lines[0].find(": error: entry point 'ps_mian' not found"), std::string::npos)
        << lines[0];
    EXPECT_EQ(lines[1].find("main.fx(2,8): warning: the initial value of 'g0'"), 0u) << lines[1];
    EXPECT_EQ(lines[100], "main.fx: 151 more messages not shown (0 errors, 151 warnings)");
}

TEST_F(EffectLoad, TechniqueProblemsAreFoundBeforeCompiling) {
    struct Case {
        const char* technique;
        const char* expected;
    } cases[] = {
        {"technique T { pass P { VertexShader = null; CullMode = None; "
         "PixelShader = compile ps_4_0 ps_main(); } }",
         ": error: unsupported profile 'ps_4_0'"},
        {"technique T { pass P { VertexShader = compile vs_5_0 vs_main();\n"
         "  PixelShader = compile ps_3_0 ps_main(); } }",
         ": error: unsupported profile 'vs_5_0'"},
        {"technique T { pass P { VertexShader = compile ps_3_0 vs_main();\n"
         "  PixelShader = compile ps_3_0 ps_main(); } }",
         ": error: profile 'ps_3_0' cannot compile a vertex shader"},
    };
    for (const Case& c : cases) {
        WriteMain(std::string("float4 vs_main(float3 p : POSITION) : POSITION { return 1; }\n"
                              "float4 ps_main() : COLOR0 { return 1; }\n") +
                  c.technique + "\n");
        std::string text;
        EXPECT_NE(Load(&text), S_OK) << c.technique;
        EXPECT_NE(text.find(c.expected), std::string::npos) << text;
        EXPECT_EQ(text.find("main.fx(3,"), 0u) << "located at the technique: " << text;
    }
    EXPECT_EQ(device_.log.Count("CreateShaderProgram"), 0);
}

TEST_F(EffectLoad, EffectWithoutTechnique) {
    WriteMain("float4 ps_main() : COLOR0 { return 1; }\n");
    std::string text;
    EXPECT_NE(Load(&text), S_OK);
    EXPECT_EQ(text, "main.fx: error: the effect has no technique\n");
}

TEST_F(EffectLoad, LinkFailureReportsTheDeviceLog) {
    UseCorpus("good/two_techniques.fx");
    device_.results.results["CreateShaderProgram"] = E_FAIL;
    std::string text;
    EXPECT_NE(Load(&text), S_OK);
    EXPECT_NE(text.find("error: the shaders of pass 'P0' do not link"), std::string::npos) << text;
    // The driver's log goes with the pass it is about.
    EXPECT_NE(text.find("main.fx(31,5): error: link: link failed (recording device)"),
              std::string::npos)
        << text;
}

TEST_F(EffectLoad, FirstTechniqueIsCompiledAndOnlyIt) {
    UseCorpus("good/two_techniques.fx");
    std::string text;
    ID3DXEffect* effect = nullptr;
    ASSERT_EQ(Load(&text, &effect), S_OK) << text;
    EXPECT_EQ(device_.log.Count("CreateShaderProgram"), 1);
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), S_OK);
    EXPECT_EQ(passes, 1u);
    EXPECT_EQ(effect->End(), S_OK);
    effect->Release();
}

// Direct3D 9 takes a technique without passes: it loads with a warning,
// Begin gives no pass and pass 0 cannot begin, so the program draws nothing.
TEST_F(EffectLoad, ATechniqueWithoutPassesLoadsAndBeginGivesNone) {
    UseCorpus("good/technique_without_passes.fx");
    std::string text;
    ID3DXEffect* effect = nullptr;
    ASSERT_EQ(Load(&text, &effect), S_OK) << text;
    EXPECT_NE(text.find("main.fx(24,1): warning: technique 'Main' has no passes"),
              std::string::npos)
        << text;
    UINT passes = 1;
    ASSERT_EQ(effect->Begin(&passes, 0), S_OK);
    EXPECT_EQ(passes, 0u);
    EXPECT_NE(effect->BeginPass(0), S_OK);
    EXPECT_EQ(effect->End(), S_OK);
    effect->Release();
}

// Every file of the bad corpus, with where its first error must point.
TEST_F(EffectLoad, BadCorpusFailsCleanlyAndAGoodFileLoadsAfterwards) {
    struct Case {
        const char* file;
        const char* expected;  // the error text must contain this
    } cases[] = {
        {"empty.fx", "main.fx: error: the file is empty\n"},
        {"binary_garbage.fx", "main.fx(1,1): error: the file is not text (byte 0x7F)\n"},
        {"glslang_crash.fx", "main.fx(5,283): error: code nested more than 256 levels deep"},
        {"unterminated_comment.fx", "main.fx(18,"},
        {"unterminated_string.fx", "main.fx(28,"},
        {"unbalanced_braces.fx", "main.fx("},
        {"wrong_entry.fx", "main.fx(28,"},
        {"include_missing.fx", "main.fx(1,"},
        {"syntax_error_last_line.fx", "main.fx(32,33): error: ')': Expected\n"},
        {"cut_off.fx", "main.fx("},
        // The token limit, or on a slow machine the clock, at the macro's use.
        {"macro_bomb.fx", "main.fx(37,29): error: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        UseCorpus(std::string("bad/") + c.file);
        std::string text;
        EXPECT_NE(Load(&text), S_OK);
        EXPECT_NE(text.find(c.expected), std::string::npos) << text;
        EXPECT_TRUE(text.rfind("main.fx(", 0) == 0 || text.rfind("main.fx:", 0) == 0) << text;
        EXPECT_EQ(text.back(), '\n');
    }
    EXPECT_EQ(device_.liveProgramCount, 0);

    UseCorpus("good/two_techniques.fx");
    std::string text;
    EXPECT_EQ(Load(&text), S_OK) << text;
    EXPECT_EQ(device_.liveProgramCount, 0) << "the effect was released";
}

// The host program's macros must be names with one-line definitions; the
// load stops before reading the file otherwise.
TEST_F(EffectLoad, HostMacrosThatCannotBeDefinedAreErrors) {
    UseCorpus("good/two_techniques.fx");
    struct Case {
        D3DXMACRO macro;
        const char* text;
    } cases[] = {
        {{"2X", "1"}, "main.fx: error: the host program's macro '2X' is not a name\n"},
        {{"", "1"}, "main.fx: error: the host program's macro '' is not a name\n"},
        {{"X", "1\n#error"},
         "main.fx: error: the host program's macro 'X' has a definition of more than one line\n"},
        // What goes wrong in a definition is the macro's, not the file's first line.
        {{"X", "1 /* 2"}, "main.fx: error: the host program's macro 'X': unterminated comment\n"},
        {{"X", "\"abc"}, "main.fx: error: the host program's macro 'X': unterminated string\n"},
        {{"defined", "1"},
         "main.fx: error: the host program's macro 'defined': 'defined' cannot be a macro name\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const D3DXMACRO defines[] = {{"OK", nullptr}, c.macro, {nullptr, nullptr}};
        ID3DXEffect* effect = nullptr;
        ID3DXBuffer* errors = nullptr;
        EXPECT_NE(D3DXCreateEffectFromFileA(&device_, "main.fx", defines, nullptr, 0, nullptr,
                                            &effect, &errors),
                  S_OK);
        EXPECT_EQ(effect, nullptr);
        ASSERT_NE(errors, nullptr);
        EXPECT_EQ(std::string(static_cast<const char*>(errors->GetBufferPointer())), c.text);
        errors->Release();
    }
}

// Every file of the bad and unread_images corpora that says on its second
// line what it must give ("// expect: FILE(LINE,COL): error: ..."), loaded
// where it lies so that the images beside it are found: exactly that line.
// An error leaves no effect and nothing on the device; a warning (an image
// that cannot be used) loads the effect with a placeholder texture, which
// goes with it. A good effect with images loads afterwards.
TEST_F(EffectLoad, BadImagesGiveTheLineTheySay) {
    int files = 0;
    for (const char* corpus : {"bad", "unread_images"}) {
        const fs::path folder = SourceDir() / "tests/fx-corpus" / corpus;
        for (const auto& entry : fs::directory_iterator(folder)) {
            std::string source = ReadFile(entry.path());
            size_t at = source.find("\n// expect: ");
            if (entry.path().extension() != ".fx" || at == std::string::npos) continue;
            ++files;
            SCOPED_TRACE(entry.path().filename().string());
            std::string expected =
                source.substr(at + 12, source.find('\n', at + 1) - at - 12) + "\n";
            const bool warning = expected.find("): warning: ") != std::string::npos;
            ID3DXEffect* effect = nullptr;
            ID3DXBuffer* errors = nullptr;
            HRESULT hr = D3DXCreateEffectFromFileA(&device_, entry.path().c_str(), nullptr,
                                                   nullptr, 0, nullptr, &effect, &errors);
            EXPECT_EQ(hr == S_OK, warning);
            EXPECT_EQ(effect != nullptr, warning);
            ASSERT_NE(errors, nullptr);
            std::string text = static_cast<const char*>(errors->GetBufferPointer());
            errors->Release();
            EXPECT_EQ(text.substr(text.rfind('/', text.find('(')) + 1), expected);
            EXPECT_EQ(device_.liveTextures.size(), warning ? 1u : 0u);
            if (warning && !device_.liveTextures.empty()) {
                EXPECT_EQ(device_.liveTextures.begin()->second, "2D 8 x 8 RGBA8, 1 level");
            }
            if (effect != nullptr) effect->Release();
            EXPECT_EQ(device_.liveProgramCount, 0);
            EXPECT_TRUE(device_.liveTextures.empty());
        }
    }
    EXPECT_GE(files, 9);

    const std::string good = (SourceDir() / "assets/examples/sparkles.fx").string();
    ID3DXEffect* effect = nullptr;
    ASSERT_EQ(D3DXCreateEffectFromFileA(&device_, good.c_str(), nullptr, nullptr, 0, nullptr,
                                        &effect, nullptr),
              S_OK);
    EXPECT_EQ(device_.liveTextures.size(), 1u);
    effect->Release();
    EXPECT_TRUE(device_.liveTextures.empty());
    EXPECT_EQ(device_.liveProgramCount, 0);
}

// A case of tests/fx-corpus/messages: files, and what the load must say.
struct MessageCase {
    std::string where;  // FILE:LINE of its "===" line
    std::vector<std::pair<std::string, std::string>> files;  // main.fx first
    std::map<std::string, std::string> expected;            // "messages", "first", "last"
};

std::vector<MessageCase> ReadMessageCases(const fs::path& path) {
    std::vector<MessageCase> cases;
    for (const testing_support::GoldenCase& golden : testing_support::ReadGoldenCases(path)) {
        MessageCase c{golden.where, {}, {}};
        for (const auto& [name, text] : golden.sections) {
            if (name == "messages" || name == "first" || name == "last") {
                c.expected[name] = text;
                continue;
            }
            // A file named again goes on where it stopped.
            auto same = std::find_if(c.files.begin(), c.files.end(),
                                     [&](const auto& f) { return f.first == name; });
            if (same == c.files.end()) {
                c.files.emplace_back(name, text);
            } else {
                same->second += text;
            }
        }
        cases.push_back(std::move(c));
    }
    return cases;
}

// Without the blank lines between cases.
std::string WithoutTrailingBlankLines(std::string s) {
    while (s.size() >= 2 && s.compare(s.size() - 2, 2, "\n\n") == 0) s.pop_back();
    return s;
}

TEST_F(EffectLoad, EveryCaseOfTheMessageCases) {
    std::vector<MessageCase> cases;
    for (const char* file : {"load.cases", "hostile.cases"}) {
        const fs::path path = SourceDir() / "tests/fx-corpus/messages" / file;
        std::vector<MessageCase> read = ReadMessageCases(path);
        ASSERT_GE(read.size(), 10u) << path;
        for (MessageCase& c : read) cases.push_back(std::move(c));
    }
    for (const MessageCase& c : cases) {
        SCOPED_TRACE(c.where);
        ASSERT_FALSE(c.files.empty());
        ASSERT_FALSE(c.expected.empty()) << "a case checks something";
        for (const auto& [name, text] : c.files) {
            std::ofstream(dir_ / (&name == &c.files[0].first ? "main.fx" : name), std::ios::binary)
                << text;
        }
        std::string text;
        const HRESULT hr = Load(&text);
        for (const auto& [name, lines] : c.expected) {
            const std::string want = WithoutTrailingBlankLines(lines);
            if (name == "messages") {
                EXPECT_EQ(text, want == "\n" ? "" : want);
            } else if (name == "first") {
                EXPECT_EQ(text.substr(0, want.size()), want) << text.substr(0, 2000);
            } else {
                EXPECT_GE(text.size(), want.size());
                EXPECT_EQ(text.substr(text.size() - std::min(text.size(), want.size())), want)
                    << text.substr(text.size() - std::min<size_t>(text.size(), 2000));
            }
        }
        const bool failed = text.find(": error: ") != std::string::npos ||
                            (text.find(" more message") != std::string::npos &&
                             text.find("(0 errors,") == std::string::npos);
        EXPECT_EQ(hr != S_OK, failed) << text.substr(0, 2000);
        for (const auto& [name, unused] : c.files) fs::remove(dir_ / name);
        fs::remove(dir_ / "main.fx");
    }
}

TEST_F(EffectLoad, ErrorsArgumentMayBeNull) {
    ID3DXEffect* effect = nullptr;
    EXPECT_NE(D3DXCreateEffectFromFileA(&device_, "main.fx", nullptr, nullptr, 0, nullptr, &effect,
                                        nullptr),
              S_OK);
    EXPECT_EQ(effect, nullptr);
}

}  // namespace
