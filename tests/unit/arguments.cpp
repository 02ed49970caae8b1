// The command line: flowfield [--watch] [--panel] [EFFECT.fx], --help; an unknown
// option or a second path is a usage error with exit code 2.
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
    bool panel;
    const char* usageGoesTo;  // "out", "err" or "" for none
};

const Case kCases[] = {
    {{}, kRun, "main.fx", false, false, ""},
    {{"--watch"}, kRun, "main.fx", true, false, ""},
    {{"--panel"}, kRun, "main.fx", false, true, ""},
    {{"--watch", "--panel", "a.fx"}, kRun, "a.fx", true, true, ""},
    {{"../shaders/glow.fx"}, kRun, "../shaders/glow.fx", false, false, ""},
    {{"--watch", "a.fx"}, kRun, "a.fx", true, false, ""},
    {{"a.fx", "--watch"}, kRun, "a.fx", true, false, ""},
    {{"--", "-dash.fx"}, kRun, "-dash.fx", false, false, ""},
    {{"--watch", "--", "--watch"}, kRun, "--watch", true, false, ""},
    {{"--help"}, 0, nullptr, false, false, "out"},
    {{"-h", "a.fx"}, 0, nullptr, false, false, "out"},
    {{"--watch", "--help"}, 0, nullptr, false, false, "out"},
    {{"--wach"}, 2, nullptr, false, false, "err"},
    {{"-w"}, 2, nullptr, false, false, "err"},
    {{"a.fx", "b.fx"}, 2, nullptr, false, false, "err"},
    {{"--watch", "a.fx", "--", "b.fx"}, 2, nullptr, false, false, "err"},
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
            EXPECT_EQ(g_showPanel, c.panel);
        }
        // The usage goes to one stream, and nothing else is said on the other.
        const std::string usage = "usage: flowfield [--watch] [--panel] [EFFECT.fx]\n";
        std::string to = c.usageGoesTo;
        EXPECT_EQ(out.rfind(usage, 0) == 0, to == "out") << out;
        EXPECT_EQ(out.empty(), to != "out") << out;
        EXPECT_EQ(err.find(usage) != std::string::npos, to == "err") << err;
        EXPECT_EQ(err.empty(), to != "err") << err;
    }
    g_effectFileName = "main.fx";
    g_watchEffect = false;
    g_showPanel = false;
}

}  // namespace
