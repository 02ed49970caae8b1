// Every SPIR-V pass of stage 6, one case file each, driven by
// tests/fx-corpus/spirv/NAME.cases, NAME as the pass list names it. Each
// case gives an effect file; the first shader of its first pass goes
// through stages 4 and 5 and then through the passes in their order, up to
// and including the named one. SPIRV-Tools' validator runs on glslang's
// module and after every pass. What must come out:
//   --- check     "CHECK: TEXT" lines found in this order on lines of the
//                 module's disassembly after the pass (names as OpName gives
//                 them: %main, %float); "CHECK-NOT: TEXT" found on no line
//                 between the CHECK before it and the CHECK after it
//   --- messages  the passes' messages (without it, there must be none)
//   --- valid after NAME   glslang's module is not valid SPIR-V: the
//                 validator runs only from after the pass NAME on
// FLOWFIELD_PRINT_CASES=1 prints each case's disassembly and messages.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "platform/fx/5_glslang/5_hlsl_to_spirv.h"
#include "platform/fx/6_spirv/6_passes.h"
#include "tests/support/case_file.h"
#include "tests/support/spirv_validate.h"

namespace {

using namespace testing_support;

TEST(SpirvPassCases, EachPassHasItsCaseFile) {
    ExpectACaseFileEach("spirv", EntryNames(fx::SpirvPasses()));
}

// One case, up to and including the pass named.
void CheckCase(const std::string& name, const GoldenCase& c) {
    fx::StageSource source;
    std::string why;
    ASSERT_TRUE(FirstStageSource(c, &source, &why)) << why;
    fx::SpirvModule compiled;
    std::vector<fx::Message> found;
    fx::MessageCollector sink(&found);
    ASSERT_TRUE(fx::HlslToSpirv(source, &compiled, sink))
        << MessageLines(found);
    std::string validFrom;  // the pass after which the validator runs
    for (const auto& [section, text] : c.sections)
        if (section.rfind("valid after ", 0) == 0) validFrom = section.substr(12);
    bool validating = validFrom.empty();
    if (validating) {
        ASSERT_EQ(testing_support::ValidateSpirv(compiled.words), "") << "glslang's own module";
    }

    fx::SpvModule module;
    ASSERT_TRUE(module.Read(compiled.words));
    std::vector<fx::ConstantRegisters> table;
    fx::SpirvPassState state{module, compiled, &table, sink};
    bool reached = false;
    fx::RunSpirvPasses(state, [&](const fx::SpirvPass& pass) {
        if (reached) return false;
        if (validating || validFrom == pass.name) {
            validating = true;
            EXPECT_EQ(testing_support::ValidateSpirv(module.Write()), "") << "after " << pass.name;
        }
        reached = name == pass.name;
        return !reached;
    });
    if (std::getenv("FLOWFIELD_PRINT_CASES") != nullptr) {
        std::cout << "=== " << c.where << "\n" << Disassemble(module.Write()) << "--- messages\n"
                  << MessageLines(found) << "\n";
    }
    const std::string* checks = c.Find("check");
    const std::string* wantedMessages = c.Find("messages");
    ASSERT_TRUE(checks || wantedMessages) << "a case checks something";
    if (checks) {
        EXPECT_EQ(CheckLines(*checks, Disassemble(module.Write())), "");
    }
    EXPECT_EQ(MessageLines(found), wantedMessages ? TrimmedText(*wantedMessages) : "");
}

TEST(SpirvPassCases, EveryCaseOfTheCaseFiles) {
    EXPECT_GE(CheckEveryCase("spirv", EntryNames(fx::SpirvPasses()), CheckCase), 15u);
}

}  // namespace
