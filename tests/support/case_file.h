// The golden case files of the effect compiler (tests/fx-corpus/*/NAME.cases):
// "=== TITLE" starts a case, "--- NAME" a section of it ("--- NAME xN": its
// text N times over); lines before the first case are notes. Each runner
// gives the sections their meaning.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/fx/2_preprocess/2_preprocess.h"
#include "platform/fx/3_parse/3_parse_effect.h"
#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"
#include "platform/fx/shared/message.h"

namespace testing_support {

struct GoldenCase {
    std::string where;  // FILE:LINE of its "===" line
    std::vector<std::pair<std::string, std::string>> sections;
    // The section's text; nullptr when the case has none of that name.
    const std::string* Find(const std::string& name) const;
};

std::vector<GoldenCase> ReadGoldenCases(const std::filesystem::path& path);

// The load's budget of a case: "--- budget" holds "milliseconds N" for the
// clock; without it the clock is long enough that only the byte and token
// limits, which do not depend on the machine, are reached.
fx::LoadBudget CaseBudget(const GoldenCase& c);

// The .cases files of tests/fx-corpus/FOLDER, sorted.
std::vector<std::filesystem::path> GoldenCaseFiles(const std::string& folder);

// The golden runner of one layer: every name of its list has NAME.cases in
// tests/fx-corpus/FOLDER, and every file there names an entry (test
// failures otherwise).
void ExpectACaseFileEach(const std::string& folder, const std::vector<std::string>& names);

// `check` on every case of the files of FOLDER that name an entry, the
// case's place traced; the number of cases.
size_t CheckEveryCase(const std::string& folder, const std::vector<std::string>& names,
                      const std::function<void(const std::string& name, const GoldenCase&)>& check);

// The names of a pass list's entries.
template <typename List>
std::vector<std::string> EntryNames(const List& list) {
    std::vector<std::string> names;
    for (const auto& entry : list) names.emplace_back(entry.name);
    return names;
}

// Without the blank lines at the end.
std::string TrimmedText(std::string s);

// The messages as the loader prints them, one a line, the effect file
// called main.fx.
std::string MessageLines(const std::vector<fx::Message>& messages);

// A parse with the messages stages 2 and 3 handed on, in stream order.
struct ParsedText : fx::ParsedEffect {
    std::vector<fx::Message> messages;
    size_t unshownErrors = 0;  // past the cap, counted
    size_t unshownWarnings = 0;
    bool HasErrors() const;
};

// Stages 2 and 3 on a text (with a resolver for its includes; without one,
// an #include is an error), or stage 3 on what stage 2 made.
ParsedText ParseEffect(std::string_view source, const fx::IncludeResolver& resolver = {});
ParsedText ParseEffect(fx::PreprocessedEffect preprocessed);

// The effect file parsed by stages 2 and 3 (no includes).
ParsedText ParseEffectText(const std::string& text);

// The stage sources of the first pass of the first technique after every
// rewrite of stage 4; false with the messages when the effect stops there.
bool FirstPassSources(const fx::ParsedEffect& parsed, fx::PassSources* out,
                      std::string* messages);

// The first shader of the first pass of the case's main.fx after stage 4;
// false with why (no main.fx, or the messages) when there is none.
bool FirstStageSource(const GoldenCase& c, fx::StageSource* out, std::string* why);

}  // namespace testing_support
