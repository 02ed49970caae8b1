// Every rewrite before glslang, one case file each: the token rewrites of
// stage 4 and the text rewrites of stage 5, driven by
// tests/fx-corpus/rewrite/NAME.cases, NAME as the rewrite's list names it.
// Each case gives an effect file; the named rewrite alone runs on what
// reaches it, and what must come out is:
//   --- hlsl      the text after the rewrite, exactly
//   --- messages  the rewrite's messages (without it, there must be none)
// A token rewrite reads the HLSL tokens of stage 3 (PrintHlsl shows them);
// a text rewrite the text of the first shader of the first pass after all
// of stage 4. FLOWFIELD_PRINT_CASES=1 prints what each case gives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/5_glslang/5_passes.h"
#include "platform/fx/5_glslang/5_text_rewrites.h"
#include "tests/support/case_file.h"

namespace {

using namespace testing_support;

const fx::TokenRewrite* FindTokenRewrite(const std::string& name) {
    for (const fx::TokenRewrite& r : fx::TokenRewrites())
        if (name == r.name) return &r;
    return nullptr;
}

const fx::TextRewrite* FindTextRewrite(const std::string& name) {
    for (const fx::TextRewrite& r : fx::TextRewrites())
        if (name == r.name) return &r;
    return nullptr;
}

// The text after the token rewrite, and its messages.
void RunTokenRewrite(const fx::TokenRewrite& rewrite, const fx::ParsedEffect& parsed,
                     std::string* hlsl, std::string* messages) {
    fx::TokenStream tokens = parsed.hlsl;
    fx::GlobalsRewrite globals;
    std::vector<fx::Message> found;
    fx::MessageCollector sink(&found);
    fx::TokenRewriteState state(parsed, &tokens, &globals, sink);
    rewrite.run(state);
    *hlsl = fx::PrintHlsl(tokens).text;
    *messages = MessageLines(found);
}

void RunTextRewrite(const fx::TextRewrite& rewrite, const fx::ParsedEffect& parsed,
                    std::string* hlsl, std::string* messages) {
    fx::PassSources sources;
    if (!FirstPassSources(parsed, &sources, messages) || sources.stages.empty()) return;
    std::vector<fx::TextMove> moves;
    *hlsl = rewrite.run(sources.stages[0].hlsl, sources.stages[0], &moves);
}

// The token rewrites' names, then the text rewrites'.
std::vector<std::string> RewriteNames() {
    std::vector<std::string> names = EntryNames(fx::TokenRewrites());
    for (const std::string& name : EntryNames(fx::TextRewrites())) names.push_back(name);
    return names;
}

TEST(Rewrites, EachHasItsCaseFile) { ExpectACaseFileEach("rewrite", RewriteNames()); }

// One case: the rewrite alone on what reaches it.
void CheckCase(const fx::TokenRewrite* tokens, const fx::TextRewrite* text, const GoldenCase& c) {
    const std::string* effect = c.Find("main.fx");
    ASSERT_NE(effect, nullptr);
    ParsedText parsed = ParseEffectText(*effect);
    ASSERT_EQ(MessageLines(parsed.messages), "") << "stages 2 and 3";
    std::string hlsl, messages;
    if (tokens != nullptr) {
        RunTokenRewrite(*tokens, parsed, &hlsl, &messages);
    } else {
        RunTextRewrite(*text, parsed, &hlsl, &messages);
    }
    if (std::getenv("FLOWFIELD_PRINT_CASES") != nullptr) {
        std::cout << "=== " << c.where << "\n--- hlsl\n"
                  << hlsl << "--- messages\n" << messages << "\n";
    }
    const std::string* wanted = c.Find("hlsl");
    const std::string* wantedMessages = c.Find("messages");
    ASSERT_TRUE(wanted || wantedMessages) << "a case checks something";
    if (wanted) {
        EXPECT_EQ(TrimmedText(hlsl), TrimmedText(*wanted)) << "hlsl";
    }
    EXPECT_EQ(messages, wantedMessages ? TrimmedText(*wantedMessages) : "") << "messages";
}

TEST(Rewrites, EveryCaseOfTheCaseFiles) {
    const size_t count =
        CheckEveryCase("rewrite", RewriteNames(), [](const std::string& name, const GoldenCase& c) {
            CheckCase(FindTokenRewrite(name), FindTextRewrite(name), c);
        });
    EXPECT_GE(count, 20u);
}

}  // namespace
