// Every input that ever broke a fuzz target (tests/fuzz-regressions/TARGET/),
// run through that target's checks in the ordinary build: each must hold
// from now on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "fuzz/checks.h"

namespace {

namespace fs = std::filesystem;

TEST(FuzzRegressions, EveryInputThatEverFailedNowHolds) {
    const char* source = std::getenv("FLOWFIELD_SOURCE_DIR");
    const fs::path root = fs::path(source != nullptr ? source : ".") / "tests" / "fuzz-regressions";
    ASSERT_TRUE(fs::is_directory(root)) << root << " (is FLOWFIELD_SOURCE_DIR set?)";
    const struct {
        const char* target;
        std::string (*check)(std::string_view);
    } targets[] = {
        {"preprocess", fuzz::CheckPreprocessor},
        {"parse_effect", fuzz::CheckEffectParser},
        {"rewrite_hlsl", fuzz::CheckHlslRewrites},
    };
    int inputs = 0;
    for (const auto& t : targets) {
        const fs::path folder = root / t.target;
        if (!fs::is_directory(folder)) continue;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            EXPECT_EQ(t.check(bytes.str()), "") << entry.path();
            ++inputs;
        }
    }
    EXPECT_GT(inputs, 0);
}

}  // namespace
