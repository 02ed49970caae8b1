// Every program's command line, from the table in command_lines.txt: --help,
// usage errors that say why, and their exit codes.
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testing_support::EnvOr;

struct Row {
    int line = 0;
    int exitCode = 0;
    std::string stream;  // "out" or "err"
    std::vector<std::string> args;
    std::string first;
};

std::string Trim(const std::string& s) {
    const size_t begin = s.find_first_not_of(' ');
    const size_t end = s.find_last_not_of(' ');
    return begin == std::string::npos ? "" : s.substr(begin, end - begin + 1);
}

// Rows are the lines that start with a digit; the rest is notes.
std::vector<Row> ReadTable(const std::string& path) {
    std::ifstream in(path);
    std::vector<Row> rows;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        const size_t bar = text.find(" | ");
        const size_t second = bar == std::string::npos ? bar : text.find(" | ", bar + 3);
        if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) continue;
        EXPECT_NE(second, std::string::npos) << "line " << number << " is not a row";
        if (second == std::string::npos) continue;
        Row row;
        row.line = number;
        std::istringstream head(text.substr(0, bar));
        head >> row.exitCode >> row.stream;
        std::istringstream args(text.substr(bar + 3, second - bar - 3));
        for (std::string arg; args >> arg;) row.args.push_back(arg);
        row.first = Trim(text.substr(second + 3));
        rows.push_back(row);
    }
    return rows;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST(CommandLines, HelpAndUsageErrorsOfEveryProgram) {
    const std::string table = EnvOr("FLOWFIELD_SOURCE_DIR", ".") + "/tests/e2e/command_lines.txt";
    const std::vector<Row> rows = ReadTable(table);
    ASSERT_GE(rows.size(), 20u) << table;
    testing_support::TempFolder folder;
    ASSERT_TRUE(folder.Make("command-lines"));
    for (const Row& row : rows) {
        SCOPED_TRACE("command_lines.txt:" + std::to_string(row.line));
        testing_support::ProcessOptions options;
        options.args = row.args;
        options.args[0] = EnvOr("FLOWFIELD_BIN_DIR", ".") + "/" + row.args[0];
        options.cwd = folder.Path().string();
        // Nothing here needs a display; what does gets SDL's offscreen one.
        options.env = {{"SDL_VIDEODRIVER", "offscreen"}};
        testing_support::ProcessResult r = testing_support::RunProcess(options, 120000);
        EXPECT_EQ(r.exitCode, row.exitCode) << r.err;
        const std::string& said = row.stream == "out" ? r.out : r.err;
        const std::string& other = row.stream == "out" ? r.err : r.out;
        EXPECT_EQ(FirstLine(said), row.first) << said;
        EXPECT_EQ(other, "");
        // After the reason, the usage; with --help, the usage is all.
        const std::string usage = "usage: " + row.args[0] + " ";
        if (row.exitCode == 2) {
            EXPECT_EQ(said.find("\n" + usage), FirstLine(said).size()) << said;
        }
        if (row.exitCode == 0) {
            EXPECT_EQ(said.rfind(usage, 0), 0u) << said;
        }
    }
}

// scripts/run with what it calls recorded: cmake and dpkg-query are stand-ins
// on PATH. With a configured build folder it configures nothing and builds
// the program and its tools only, then runs the tool it was asked for.
TEST(CommandLines, ScriptsRunBuildsOnlyTheProgramAndItsTools) {
    const std::filesystem::path root = EnvOr("FLOWFIELD_SOURCE_DIR", ".");
    if (!std::filesystem::exists(root / "build/release/CMakeCache.txt") ||
        !std::filesystem::exists(root / "build/release/bin/flowfield-fxcheck")) {
        GTEST_SKIP() << "needs the release build of this tree";
    }
    testing_support::TempFolder folder;
    ASSERT_TRUE(folder.Make("scripts-run"));
    const std::filesystem::path log = folder.Path() / "calls";
    auto stub = [&](const std::string& name, const std::string& body) {
        const std::filesystem::path path = folder.Path() / name;
        std::ofstream(path) << "#!/bin/sh\n" << body;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    };
    stub("cmake", "echo \"cmake $*\" >> '" + log.string() + "'\n");
    stub("dpkg-query", "echo 'install ok installed'\n");
    testing_support::ProcessOptions options;
    options.args = {(root / "scripts/run").string(), "--tool", "fxcheck", "--help"};
    options.cwd = folder.Path().string();
    options.env = {{"PATH", folder.Path().string() + ":" + EnvOr("PATH", "/usr/bin:/bin")}};
    testing_support::ProcessResult r = testing_support::RunProcess(options, 120000);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("usage: flowfield-fxcheck ", 0), 0u) << r.out;
    std::ifstream in(log);
    const std::string calls((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(calls,
              "cmake --build build/release -j2 --target flowfield flowfield-capture "
              "flowfield-fxcheck flowfield-probe\n");
}

}  // namespace
