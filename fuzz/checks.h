// What every input must give the stages of the effect compiler that run
// inside the program: the preprocessor (stage 2), the effect parser (stage
// 3) and the HLSL rewrites (stage 4). The libFuzzer targets beside this file
// run these checks on generated inputs; tests/unit/fuzz_regressions.cpp runs
// them on every input that ever failed (tests/fuzz-regressions/).
//
// An input is a folder in memory: its bytes split at NUL into the effect
// file and the files it may include, named a.fxh, b.fxh, ... in order.
//
// Each check holds when the stage does not crash (the fuzz build runs under
// AddressSanitizer and UndefinedBehaviorSanitizer, which turn any fault into
// a crash), when every error is located, in a file of the folder, at a line
// and column inside that file, and when what the stage promises of its text
// holds. Time and memory per input are bounded by libFuzzer's -timeout and
// -rss_limit_mb (see the README).
#pragma once

#include <string>
#include <string_view>

namespace fuzz {

// Each returns "" when everything holds, otherwise what does not.
std::string CheckPreprocessor(std::string_view input);
std::string CheckEffectParser(std::string_view input);
std::string CheckHlslRewrites(std::string_view input);

}  // namespace fuzz
