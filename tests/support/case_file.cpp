#include "tests/support/case_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace testing_support {

namespace fs = std::filesystem;

const std::string* GoldenCase::Find(const std::string& name) const {
    for (const auto& [n, text] : sections)
        if (n == name) return &text;
    return nullptr;
}

std::vector<GoldenCase> ReadGoldenCases(const fs::path& path) {
    std::ifstream in(path);
    std::vector<GoldenCase> cases;
    std::string line;
    int number = 0;
    bool inSection = false;
    int times = 1;
    // "--- NAME xN": the section's text N times over (a flood of lines).
    auto repeat = [&] {
        if (!inSection || times <= 1) return;
        std::string& text = cases.back().sections.back().second;
        const std::string once = text;
        for (int i = 1; i < times; ++i) text += once;
    };
    while (std::getline(in, line)) {
        ++number;
        if (line.rfind("=== ", 0) == 0) {
            repeat();
            cases.push_back({path.filename().string() + ":" + std::to_string(number), {}});
            inSection = false;
        } else if (line.rfind("--- ", 0) == 0 && !cases.empty()) {
            repeat();
            std::string name = line.substr(4);
            times = 1;
            const size_t space = name.rfind(" x");
            if (space != std::string::npos && space + 2 < name.size() &&
                name.find_first_not_of("0123456789", space + 2) == std::string::npos) {
                times = std::atoi(name.c_str() + space + 2);
                name.resize(space);
            }
            cases.back().sections.emplace_back(name, "");
            inSection = true;
        } else if (inSection) {
            cases.back().sections.back().second += line + "\n";
        }
    }
    repeat();
    return cases;
}

fx::LoadBudget CaseBudget(const GoldenCase& c) {
    fx::LoadBudget budget;
    budget.milliseconds = 60000;
    if (const std::string* text = c.Find("budget")) {
        std::istringstream line(*text);
        std::string what;
        line >> what >> budget.milliseconds;
    }
    return budget;
}

std::vector<fs::path> GoldenCaseFiles(const std::string& folder) {
    std::vector<fs::path> paths;
    const char* root = std::getenv("FLOWFIELD_SOURCE_DIR");
    if (root == nullptr) return paths;
    const fs::path dir = fs::path(root) / "tests" / "fx-corpus" / folder;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == ".cases") paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    return paths;
}

void ExpectACaseFileEach(const std::string& folder, const std::vector<std::string>& names) {
    const std::set<std::string> entries(names.begin(), names.end());
    std::set<std::string> files;
    for (const auto& path : GoldenCaseFiles(folder)) {
        files.insert(path.stem().string());
        EXPECT_EQ(entries.count(path.stem().string()), 1u) << path << " names no entry";
    }
    for (const std::string& name : names) EXPECT_EQ(files.count(name), 1u) << name << " has no file";
}

size_t CheckEveryCase(const std::string& folder, const std::vector<std::string>& names,
                      const std::function<void(const std::string& name, const GoldenCase&)>& check) {
    const std::set<std::string> entries(names.begin(), names.end());
    size_t count = 0;
    for (const auto& path : GoldenCaseFiles(folder)) {
        if (entries.count(path.stem().string()) == 0) continue;
        for (const GoldenCase& c : ReadGoldenCases(path)) {
            SCOPED_TRACE(c.where);
            ++count;
            check(path.stem().string(), c);
        }
    }
    return count;
}

std::string TrimmedText(std::string s) {
    while (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

std::string MessageLines(const std::vector<fx::Message>& messages) {
    std::string out;
    for (const fx::Message& m : messages) out += fx::FormatMessage(m, "main.fx") + "\n";
    return TrimmedText(out);
}

bool ParsedText::HasErrors() const {
    if (unshownErrors > 0) return true;
    for (const fx::Message& m : messages) {
        if (m.IsError()) return true;
    }
    return false;
}

ParsedText ParseEffect(fx::PreprocessedEffect preprocessed) {
    ParsedText parsed;
    fx::MessageCollector sink(&parsed.messages);
    static_cast<fx::ParsedEffect&>(parsed) = fx::ParseEffect(std::move(preprocessed), sink);
    parsed.unshownErrors = sink.unshownErrors;
    parsed.unshownWarnings = sink.unshownWarnings;
    return parsed;
}

ParsedText ParseEffect(std::string_view source, const fx::IncludeResolver& resolver) {
    return ParseEffect(fx::Preprocess(source, resolver));
}

ParsedText ParseEffectText(const std::string& text) {
    auto noIncludes = [](const std::string&, std::string*, fx::MessageSink& messages) {
        messages.Error("No such file or directory");
        return false;
    };
    return ParseEffect(fx::Preprocess(text, noIncludes, "main.fx", fx::LoadBudget{}));
}

bool FirstPassSources(const fx::ParsedEffect& parsed, fx::PassSources* out,
                      std::string* messages) {
    fx::MessageList list("main.fx");
    fx::RewrittenEffect effect;
    bool ok = !parsed.techniques.empty() && !parsed.techniques[0].passes.empty() &&
              fx::RewriteEffect(parsed, &effect, list) &&
              fx::RewritePass(effect, parsed.techniques[0].passes[0], out, list);
    *messages = TrimmedText(list.Text());
    // As the loader does: each stage's profile from its compile statement.
    for (fx::StageSource& s : out->stages) {
        const fx::PassDesc& pass = parsed.techniques[0].passes[0];
        s.profile = s.stage == fx::ShaderStage::Vertex ? pass.vertexShader.profile
                                                       : pass.pixelShader.profile;
    }
    return ok;
}

bool FirstStageSource(const GoldenCase& c, fx::StageSource* out, std::string* why) {
    const std::string* effect = c.Find("main.fx");
    if (effect == nullptr) {
        *why = "the case has no main.fx";
        return false;
    }
    fx::PassSources sources;
    if (!FirstPassSources(ParseEffectText(*effect), &sources, why)) return false;
    if (sources.stages.empty()) {
        *why = "the pass has no shader";
        return false;
    }
    *out = std::move(sources.stages[0]);
    return true;
}

}  // namespace testing_support
