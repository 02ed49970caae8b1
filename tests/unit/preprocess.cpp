// The preprocessor (and the effect parser reading its tokens), driven by
// the case files in tests/fx-corpus/preprocess/. Each case gives an effect
// file and the files it includes, and what must come out: the tokens with
// the file and line they are placed at, the messages, the effect's
// techniques and samplers, the text glslang is given. The format is
// described at the top of each case file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fx/2_preprocess/2_preprocess.h"
#include "platform/fx/3_parse/3_parse_effect.h"
#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"
#include "tests/support/case_file.h"

namespace {

namespace fs = std::filesystem;

struct Case {
    std::string where;  // file:line of its "===" line
    // The clock of the load's budget: long enough by default that only the
    // byte and token limits, which do not depend on the machine, are reached.
    int milliseconds = 60000;
    std::vector<std::pair<std::string, std::string>> files;  // the effect file first
    std::map<std::string, std::string> expected;             // by section name
};

const char* const kExpectations[] = {"tokens", "messages", "effect", "hlsl"};

bool IsExpectation(const std::string& name) {
    for (const char* e : kExpectations)
        if (name == e) return true;
    return false;
}

// "=== title" starts a case; "--- NAME" a section of it, "--- NAME x100" one
// whose text is repeated 100 times. Lines before the first case are notes.
std::vector<Case> ReadCases(const fs::path& path) {
    std::ifstream in(path);
    std::vector<Case> cases;
    std::string name;  // of the section being read; empty outside one
    std::string text;
    int times = 1;
    auto finish = [&] {
        if (name.empty()) return;
        std::string whole;
        for (int i = 0; i < times; ++i) whole += text;
        if (IsExpectation(name)) {
            cases.back().expected[name] = whole;
        } else if (name == "budget") {
            std::istringstream line(whole);
            std::string what;
            line >> what >> cases.back().milliseconds;
        } else {
            cases.back().files.emplace_back(name, whole);
        }
        name.clear();
        text.clear();
    };
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.rfind("=== ", 0) == 0) {
            finish();
            cases.push_back({});
            cases.back().where = path.filename().string() + ":" + std::to_string(number);
        } else if (line.rfind("--- ", 0) == 0 && !cases.empty()) {
            finish();
            std::istringstream header(line.substr(4));
            std::string repeat;
            header >> name >> repeat;
            times = repeat.size() > 1 && repeat[0] == 'x' ? std::atoi(repeat.c_str() + 1) : 1;
        } else if (!name.empty()) {
            text += line + "\n";
        }
    }
    finish();
    return cases;
}

// Without the blank lines between cases.
std::string Trimmed(std::string s) {
    while (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

// One line per run of tokens placed on one line of one file:
// "main.fx:3: float s = 0.06 ;".
std::string TokenLines(const fx::TokenStream& s) {
    std::string out;
    const fx::SourceToken* prev = nullptr;
    for (const fx::SourceToken& t : s.tokens) {
        if (!prev || prev->file != t.file || prev->line != t.line) {
            if (prev) out += "\n";
            std::string file = t.file == 0 ? "main.fx" : s.files[t.file];
            out += file + ":" + std::to_string(t.line) + ":";
        }
        out += " ";
        out += s.Text(t);
        prev = &t;
    }
    return out;
}

std::string MessageLines(const std::vector<fx::Message>& messages) {
    std::string out;
    for (const fx::Message& m : messages) out += fx::FormatMessage(m, "main.fx") + "\n";
    return Trimmed(out);
}

std::string BindingText(const fx::ShaderBinding& b) {
    if (!b.present) return "-";
    if (b.null) return "null";
    return b.profile + " " + fx::EntryText(b);
}

std::string PlaceText(const fx::SourcePos& p) {
    return (p.file.empty() ? "main.fx" : p.file) + ":" + std::to_string(p.line);
}

// " 22=1". (Built piece by piece: GCC 12 warns wrongly about "+" chains here.)
void AppendState(unsigned state, unsigned value, std::string* out) {
    *out += ' ';
    *out += std::to_string(state);
    *out += '=';
    *out += std::to_string(value);
}

// "technique T main.fx:5", "  pass P main.fx:7 vs_3_0 VS() | ps_3_0 PS() | 22=1",
// "sampler S main.fx:2 texture T s0 | 5=2", "texture T main.fx:1".
std::string EffectLines(const fx::ParsedEffect& e) {
    std::string out;
    for (const fx::TextureDesc& t : e.textures)
        out += "texture " + t.name + " " + PlaceText(t.pos) + "\n";
    for (const fx::SamplerDesc& s : e.samplers) {
        out += "sampler " + s.name + " " + PlaceText(s.pos) + " texture " +
               (s.texture.empty() ? "-" : s.texture) + " s" + std::to_string(s.registerIndex) +
               " |";
        for (const fx::SamplerStateSetting& st : s.states) AppendState(st.state, st.value, &out);
        out += "\n";
    }
    for (const fx::TechniqueDesc& t : e.techniques) {
        out += "technique " + t.name + " " + PlaceText(t.pos) + "\n";
        for (const fx::PassDesc& p : t.passes) {
            out += "  pass " + p.name + " " + PlaceText(p.pos) + " " +
                   BindingText(p.vertexShader) + " | " + BindingText(p.pixelShader) + " |";
            for (const fx::RenderStateSetting& st : p.renderStates)
                AppendState(st.state, st.value, &out);
            out += "\n";
        }
    }
    return Trimmed(out);
}

TEST(Preprocess, EveryCaseOfTheCaseFiles) {
    const char* root = std::getenv("FLOWFIELD_SOURCE_DIR");
    ASSERT_NE(root, nullptr);
    fs::path dir = fs::path(root) / "tests" / "fx-corpus" / "preprocess";
    std::vector<fs::path> paths;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == ".cases") paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    size_t count = 0;
    for (const fs::path& path : paths) {
        for (const Case& c : ReadCases(path)) {
            SCOPED_TRACE(c.where);
            ++count;
            ASSERT_FALSE(c.files.empty());
            ASSERT_FALSE(c.expected.empty()) << "a case checks something";
            auto resolver = [&](const std::string& name, std::string* text,
                                fx::MessageSink& messages) {
                for (size_t i = 1; i < c.files.size(); ++i) {
                    if (c.files[i].first != name) continue;
                    *text = c.files[i].second;
                    return true;
                }
                messages.Error("No such file or directory");
                return false;
            };
            fx::LoadBudget budget;
            budget.milliseconds = c.milliseconds;
            fx::PreprocessedEffect pp =
                fx::Preprocess(c.files[0].second, resolver, "main.fx", budget);
            std::string tokens = TokenLines(pp.stream);
            testing_support::ParsedText parsed = testing_support::ParseEffect(std::move(pp));
            for (const auto& [name, text] : c.expected) {
                std::string actual = name == "tokens"     ? tokens
                                     : name == "messages" ? MessageLines(parsed.messages)
                                     : name == "effect"   ? EffectLines(parsed)
                                                          : fx::PrintHlsl(parsed.hlsl).text;
                EXPECT_EQ(Trimmed(actual), Trimmed(text)) << name;
            }
            // Whatever is checked, no message may be left unchecked.
            if (c.expected.count("messages") == 0) {
                EXPECT_EQ(MessageLines(parsed.messages), "");
            }
        }
    }
    EXPECT_GE(count, 40u);
}

}  // namespace
