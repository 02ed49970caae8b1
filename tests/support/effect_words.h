// Texts as their tokens, one space apart, for the parser tests to compare
// without caring how the source was laid out.
#pragma once

#include <string>

#include "platform/fx/3_parse/3_parse_effect.h"
#include "platform/fx/shared/tokenizer.h"

namespace testing_support {

// The tokens of a text, one space apart.
inline std::string Words(const std::string& text) {
    std::string out;
    for (const fx::Token& t : fx::Tokenize(text)) {
        if (!out.empty()) out += ' ';
        out += text.substr(t.begin, t.end - t.begin);
    }
    return out;
}

// The HLSL's tokens, one space apart.
inline std::string Hlsl(const fx::ParsedEffect& e) {
    std::string out;
    for (const fx::SourceToken& t : e.hlsl.tokens) {
        if (!out.empty()) out += ' ';
        out += e.hlsl.Text(t);
    }
    return out;
}

}  // namespace testing_support
