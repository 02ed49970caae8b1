// libFuzzer target: fuzz::CheckPreprocessor on every input (fuzz/checks.h says what
// must hold). A broken rule prints what broke and aborts, which libFuzzer
// reports as a crash and keeps the input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string problems =
        fuzz::CheckPreprocessor(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!problems.empty()) {
        std::fprintf(stderr, "%s", problems.c_str());
        std::abort();
    }
    return 0;
}
