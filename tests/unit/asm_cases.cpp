// The assembler of asm { ... } blocks, driven by tests/fx-corpus/asm/*.cases:
// each case gives a block's body ("--- vs" or "--- ps") and either the HLSL
// it becomes ("--- hlsl", one piece a line) or the error that stops it
// ("--- error", "LINE: text", LINE counted in the body).
// FLOWFIELD_PRINT_CASES=1 prints what each case gives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "platform/fx/asm/asm_shader.h"
#include "tests/support/case_file.h"

namespace {

using namespace testing_support;

// The body's tokens, each with its line, as the preprocessor hands them on.
std::vector<fx::AsmToken> BodyTokens(const std::string& body) {
    std::vector<fx::AsmToken> tokens;
    uint32_t line = 1;
    size_t counted = 0;
    for (const fx::Token& t : fx::Tokenize(body)) {
        for (; counted < t.begin; ++counted) line += body[counted] == '\n' ? 1 : 0;
        tokens.push_back(
            {std::string_view(body).substr(t.begin, t.end - t.begin), t.kind, line, 0});
    }
    return tokens;
}

void CheckCase(const GoldenCase& c) {
    const std::string* vs = c.Find("vs");
    const std::string* ps = c.Find("ps");
    ASSERT_TRUE((vs != nullptr) != (ps != nullptr)) << "a case gives one block, vs or ps";
    const std::string& body = vs ? *vs : *ps;
    const std::vector<fx::AsmToken> tokens = BodyTokens(body);
    fx::AssembledShader shader;
    fx::AsmError error;
    std::string hlsl, said;
    if (fx::AssembleShader(tokens, vs != nullptr, "A", &shader, &error)) {
        hlsl = shader.profile + "\n";
        for (const fx::AsmText& t : shader.text) hlsl += t.hlsl + "\n";
    } else {
        said = std::to_string(tokens.empty() ? 0 : tokens[error.token].line) + ": " + error.text;
    }
    if (std::getenv("FLOWFIELD_PRINT_CASES") != nullptr)
        std::cout << "=== " << c.where << "\n--- hlsl\n" << hlsl << "--- error\n" << said << "\n";
    const std::string* wanted = c.Find("hlsl");
    const std::string* wantedError = c.Find("error");
    ASSERT_TRUE(wanted || wantedError) << "a case checks something";
    EXPECT_EQ(TrimmedText(hlsl), wanted ? TrimmedText(*wanted) : "") << "hlsl";
    EXPECT_EQ(said, wantedError ? TrimmedText(*wantedError) : "") << "error";
}

TEST(Assembler, EveryCaseOfTheCaseFiles) {
    size_t count = 0;
    for (const auto& path : GoldenCaseFiles("asm")) {
        for (const GoldenCase& c : ReadGoldenCases(path)) {
            SCOPED_TRACE(c.where);
            CheckCase(c);
            ++count;
        }
    }
    EXPECT_GE(count, 10u);
}

}  // namespace
