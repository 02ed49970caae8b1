// Stage 5: glslang's messages in the words of HLSL. glslang names a type by
// its storage and its shape in words of its own ("' temp 4-component vector
// of float'"); the user wrote float4.
#include "platform/fx/5_glslang/5_message_words.h"

#include <algorithm>
#include <string_view>

namespace fx {
namespace {

// glslang's basic types and HLSL's names for them.
std::string_view Basic(std::string_view word) {
    if (word == "float" || word == "int" || word == "uint" || word == "bool" || word == "double")
        return word;
    if (word == "float16_t") return "half";
    return {};
}

// "4-component vector of float" -> "float4", "2X3 matrix of float" ->
// "float2x3", "float" -> "float", arrays of these; empty when the words are
// none of these.
std::string TypeName(std::string_view words) {
    if (!Basic(words).empty()) return std::string(Basic(words));
    auto digit = [](char c) { return c >= '1' && c <= '4'; };
    constexpr std::string_view kVector = "-component vector of ";
    if (words.size() > 1 + kVector.size() && digit(words[0]) &&
        words.substr(1, kVector.size()) == kVector) {
        const std::string_view basic = Basic(words.substr(1 + kVector.size()));
        if (!basic.empty()) return std::string(basic) + words[0];
    }
    constexpr std::string_view kMatrix = " matrix of ";
    if (words.size() > 3 + kMatrix.size() && digit(words[0]) && words[1] == 'X' && digit(words[2]) &&
        words.substr(3, kMatrix.size()) == kMatrix) {
        const std::string_view basic = Basic(words.substr(3 + kMatrix.size()));
        if (!basic.empty()) return std::string(basic) + words[0] + 'x' + words[2];
    }
    // "2-element array of 3-element array of float" -> "float[2][3]".
    constexpr std::string_view kArray = "-element array of ";
    const size_t dash = words.find(kArray);
    if (dash != std::string_view::npos && dash > 0 &&
        words.substr(0, dash).find_first_not_of("0123456789") == std::string_view::npos) {
        const std::string element = TypeName(words.substr(dash + kArray.size()));
        if (!element.empty()) {
            const size_t at = std::min(element.find('['), element.size());
            std::string name = element.substr(0, at);
            name.append("[").append(words.substr(0, dash)).append("]").append(element, at);
            return name;
        }
    }
    return {};
}

}  // namespace

std::string InHlslWords(std::string text) {
    if (text.find(" of ") == std::string::npos && text.find("' temp ") == std::string::npos &&
        text.find("' const ") == std::string::npos && text.find("l-value required") == std::string::npos &&
        text.find("':  ") == std::string::npos) {
        return text;
    }
    // Each quoted type: "' STORAGE WORDS'" -> "'NAME'".
    for (size_t open = text.find("' "); open != std::string::npos; open = text.find("' ", open + 1)) {
        const size_t close = text.find('\'', open + 1);
        if (close == std::string::npos) break;
        std::string_view inside = std::string_view(text).substr(open + 2, close - open - 2);
        for (std::string_view storage : {"temp ", "const ", "uniform ", "in ", "out ", "inout ",
                                         "global "}) {
            if (inside.substr(0, storage.size()) == storage) {
                inside.remove_prefix(storage.size());
                break;
            }
        }
        const std::string name = TypeName(inside);
        if (name.empty()) continue;
        text.replace(open, close - open + 1, "'" + name + "'");
    }
    // A struct's members without their storage: "'struct{float a, float b}'".
    for (size_t at = text.find("' temp structure{"); at != std::string::npos;
         at = text.find("' temp structure{", at + 1)) {
        text.replace(at, 17, "'struct{");
        const size_t end = text.find("}'", at);
        for (size_t k = text.find(" temp ", at); k != std::string::npos && k < end;
             k = text.find(" temp ", k)) {
            text.erase(k, 5);
        }
        for (size_t k = text.find(",  ", at); k != std::string::npos && k < text.find("}'", at);
             k = text.find(",  ", k))
            text.erase(k + 1, 1);
    }
    // "'assign':  l-value required "c" (can't modify a uniform)".
    constexpr std::string_view kLvalue = "'assign':  l-value required";
    if (text.rfind(kLvalue, 0) == 0) {
        const size_t name = text.find(" \"", kLvalue.size());
        const size_t end = name == kLvalue.size() ? text.find('"', name + 2) : std::string::npos;
        if (end != std::string::npos) {
            text = "cannot assign to '" + text.substr(name + 2, end - name - 2) + "'" + text.substr(end + 1);
        } else {
            text.replace(0, kLvalue.size(), "the left side of the assignment is not a variable");
        }
    }
    constexpr std::string_view kStep = "'unary operator':  l-value required";
    if (text.rfind(kStep, 0) == 0)
        text.replace(0, kStep.size(), "++ and -- need a variable");
    // glslang's two spaces after an operator's quote.
    for (size_t at = text.find("':  "); at != std::string::npos; at = text.find("':  ", at))
        text.erase(at + 2, 1);
    return text;
}

}  // namespace fx
