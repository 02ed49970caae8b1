// The preprocessor (and the effect parser reading its tokens), driven by
// the case files in tests/fx-corpus/preprocess/. Each case gives an effect
// file and the files it includes, and what must come out: the tokens with
// the file and line they are placed at, the messages, the effect's
// techniques and samplers, the text glslang is given. The format is
// described at the top of each case file.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/fx/2_preprocess/2_preprocess.h"
#include "platform/fx/3_parse/3_parse_effect.h"
#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"
#include "tests/support/case_file.h"

namespace {

using namespace testing_support;

const char* const kExpectations[] = {"tokens", "messages", "effect", "hlsl"};

bool IsExpectation(const std::string& name) {
    for (const char* e : kExpectations)
        if (name == e) return true;
    return false;
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
// "    Texture[0] main.fx:8 texture T |" (a stage the pass sets),
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
            // "    Texture[1] main.fx:9 texture T |", "    Sampler[2] main.fx:10 texture - | 1=3"
            for (const fx::StageSetting& st : p.stageSettings) {
                out += "    " + st.state + " " + PlaceText(st.pos) + " texture " +
                       (!st.setsTexture ? "-" : st.texture.empty() ? "none" : st.texture) + " |";
                for (const fx::SamplerStateSetting& ss : st.states)
                    AppendState(ss.state, ss.value, &out);
                out += "\n";
            }
        }
    }
    return TrimmedText(out);
}

// One case: the effect file (the first section that is not an expectation
// or the budget) and the files it includes (the others).
void CheckCase(const GoldenCase& c) {
    std::vector<const std::pair<std::string, std::string>*> files;
    for (const auto& section : c.sections)
        if (!IsExpectation(section.first) && section.first != "budget") files.push_back(&section);
    ASSERT_FALSE(files.empty());
    ASSERT_TRUE(c.Find("tokens") || c.Find("messages") || c.Find("effect") || c.Find("hlsl"))
        << "a case checks something";
    auto resolver = [&](const std::string& name, std::string* text, fx::MessageSink& messages) {
        for (size_t i = 1; i < files.size(); ++i) {
            if (files[i]->first != name) continue;
            *text = files[i]->second;
            return true;
        }
        messages.Error("No such file or directory");
        return false;
    };
    fx::PreprocessedEffect pp = fx::Preprocess(files[0]->second, resolver, "main.fx", CaseBudget(c));
    std::string tokens = TokenLines(pp.stream);
    testing_support::ParsedText parsed = testing_support::ParseEffect(std::move(pp));
    for (const auto& [name, text] : c.sections) {
        if (!IsExpectation(name)) continue;
        std::string actual = name == "tokens"     ? tokens
                             : name == "messages" ? MessageLines(parsed.messages)
                             : name == "effect"   ? EffectLines(parsed)
                                                  : fx::PrintHlsl(parsed.hlsl).text;
        EXPECT_EQ(TrimmedText(actual), TrimmedText(text)) << name;
    }
    // Whatever is checked, no message may be left unchecked.
    if (c.Find("messages") == nullptr) {
        EXPECT_EQ(MessageLines(parsed.messages), "");
    }
}

TEST(Preprocess, EveryCaseOfTheCaseFiles) {
    size_t count = 0;
    for (const auto& path : GoldenCaseFiles("preprocess")) {
        for (const GoldenCase& c : ReadGoldenCases(path)) {
            SCOPED_TRACE(c.where);
            ++count;
            CheckCase(c);
        }
    }
    EXPECT_GE(count, 40u);
}

}  // namespace
