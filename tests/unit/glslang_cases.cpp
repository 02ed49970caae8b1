// Every fix and check of glslang's tree (stage 5), one case file each,
// driven by tests/fx-corpus/glslang/NAME.cases, NAME as TreePasses names
// it. Each case gives an effect file; the first shader of its first pass
// goes through stage 4 and glslang, and the fixes and checks of the tree
// run in their order up to and including the named one. What must come out:
//   --- messages  stage 5's messages (without it, there must be none)
//   --- check     "CHECK:" / "CHECK-NOT:" lines, as in spirv_cases.cpp, on
//                 the disassembly of the SPIR-V glslang makes of the tree
//                 as the passes left it (there is none after a message)
// FLOWFIELD_PRINT_CASES=1 prints each case's disassembly and messages.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "platform/fx/5_glslang/5_hlsl_to_spirv.h"
#include "platform/fx/5_glslang/5_passes.h"
#include "tests/support/case_file.h"
#include "tests/support/spirv_validate.h"

namespace {

using namespace testing_support;

// One case: glslang, and its tree's fixes and checks up to and including
// the one named.
void CheckCase(const std::string& name, const GoldenCase& c) {
    fx::StageSource source;
    std::string why;
    ASSERT_TRUE(FirstStageSource(c, &source, &why)) << why;
    fx::SpirvModule compiled;
    std::vector<fx::Message> found;
    fx::MessageCollector sink(&found);
    const bool ok = fx::HlslToSpirv(source, &compiled, sink, name);
    const std::string disassembly = ok ? Disassemble(compiled.words) : "";
    if (std::getenv("FLOWFIELD_PRINT_CASES") != nullptr) {
        std::cout << "=== " << c.where << "\n" << disassembly << "--- messages\n"
                  << MessageLines(found) << "\n";
    }
    const std::string* checks = c.Find("check");
    const std::string* wantedMessages = c.Find("messages");
    ASSERT_TRUE(checks || wantedMessages) << "a case checks something";
    if (checks) {
        ASSERT_TRUE(ok) << MessageLines(found);
        EXPECT_EQ(CheckLines(*checks, disassembly), "");
    }
    EXPECT_EQ(MessageLines(found), wantedMessages ? TrimmedText(*wantedMessages) : "");
}

TEST(TreePassCases, EachPassHasItsCaseFile) {
    ExpectACaseFileEach("glslang", EntryNames(fx::TreePasses()));
}

TEST(TreePassCases, EveryCaseOfTheCaseFiles) {
    EXPECT_GE(CheckEveryCase("glslang", EntryNames(fx::TreePasses()), CheckCase), 8u);
}

}  // namespace
