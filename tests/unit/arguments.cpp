// The command line: flowfield [--watch] [--keep-last-good] [--panel]
// [-D NAME[=VALUE]]... [EFFECT.fx], --help; an unknown option, a second path
// or a -D without a name is a usage error with exit code 2.
#include "app/program.h"
#include "render/scene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kRun = -1;

struct Case {
    std::vector<std::string> args;
    int result;              // ReadArguments' return: kRun, or the exit code
    const char* effect;      // g_effectFileName when the program runs
    bool watch;
    const char* usageGoesTo;  // "out", "err" or "" for none
    bool keepLastGood = false;
    const char* defines = "";  // g_effectDefines as "NAME=VALUE ..."
    bool panel = false;
};

const Case kCases[] = {
    {{}, kRun, "main.fx", false, ""},
    {{"--watch"}, kRun, "main.fx", true, ""},
    {{"../shaders/glow.fx"}, kRun, "../shaders/glow.fx", false, ""},
    {{"--watch", "a.fx"}, kRun, "a.fx", true, ""},
    {{"a.fx", "--watch"}, kRun, "a.fx", true, ""},
    {{"--", "-dash.fx"}, kRun, "-dash.fx", false, ""},
    {{"--watch", "--", "--watch"}, kRun, "--watch", true, ""},
    {{"--keep-last-good", "a.fx", "--watch"}, kRun, "a.fx", true, "", true},
    {{"--", "--keep-last-good"}, kRun, "--keep-last-good", false, ""},
    {{"--panel"}, kRun, "main.fx", false, "", false, "", true},
    {{"--watch", "--panel", "a.fx"}, kRun, "a.fx", true, "", false, "", true},
    {{"--help"}, 0, nullptr, false, "out"},
    {{"-h", "a.fx"}, 0, nullptr, false, "out"},
    {{"--watch", "--help"}, 0, nullptr, false, "out"},
    {{"--wach"}, 2, nullptr, false, "err"},
    {{"-w"}, 2, nullptr, false, "err"},
    {{"a.fx", "b.fx"}, 2, nullptr, false, "err"},
    {{"--watch", "a.fx", "--", "b.fx"}, 2, nullptr, false, "err"},
    {{"-D", "PS=ps_2_0", "-DFAST", "a.fx", "-DE=", "-D", "X=a=b"}, kRun, "a.fx", false, "",
     false, "PS=ps_2_0 FAST=1 E= X=a=b"},
    {{"-D"}, 2, nullptr, false, "err"},
    {{"-D", "=1"}, 2, nullptr, false, "err"},
    {{"-D2X"}, 2, nullptr, false, "err"},
    {{"--", "-DX"}, kRun, "-DX", false, ""},
};

TEST(ArgumentsTest, CommandLines) {
    for (const Case& c : kCases) {
        std::string line = "flowfield";
        std::vector<char*> argv = {line.data()};
        std::vector<std::string> args = c.args;
        for (std::string& arg : args) {
            line += " " + arg;
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        SCOPED_TRACE(line);

        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        int result = ReadArguments(static_cast<int>(argv.size()) - 1, argv.data());
        std::string out = testing::internal::GetCapturedStdout();
        std::string err = testing::internal::GetCapturedStderr();

        EXPECT_EQ(result, c.result);
        if (c.result == kRun) {
            EXPECT_STREQ(g_effectFileName, c.effect);
            EXPECT_EQ(g_watchEffect, c.watch);
            EXPECT_EQ(g_keepLastGood, c.keepLastGood);
            EXPECT_EQ(g_showPanel, c.panel);
            std::string defines;
            for (const D3DXMACRO* d = g_effectDefines; d != nullptr && d->Name != nullptr; ++d) {
                defines += std::string(defines.empty() ? "" : " ") + d->Name + "=" + d->Definition;
            }
            EXPECT_EQ(defines, c.defines);
        }
        // The usage goes to one stream, and nothing else is said on the other.
        const std::string usage = "usage: flowfield [--watch] [--keep-last-good] [--panel] [-D NAME[=VALUE]]... [EFFECT.fx]\n";
        std::string to = c.usageGoesTo;
        EXPECT_EQ(out.rfind(usage, 0) == 0, to == "out") << out;
        EXPECT_EQ(out.empty(), to != "out") << out;
        EXPECT_EQ(err.find(usage) != std::string::npos, to == "err") << err;
        EXPECT_EQ(err.empty(), to != "err") << err;
    }
    g_effectFileName = "main.fx";
    g_watchEffect = false;
    SetKeepLastGood(false);
    g_effectDefines = nullptr;
}

}  // namespace
