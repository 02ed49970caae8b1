// Stage 4: bool colours and depths (see 4_bool_outputs.h).
#include "platform/fx/4_rewrite/declarations/4_bool_outputs.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

bool StartsUpper(std::string_view word, std::string_view upper) {
    if (word.size() < upper.size()) return false;
    for (size_t i = 0; i < upper.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(word[i])) != upper[i]) return false;
    return true;
}

// A semantic of the pixel shader's output registers.
bool IsPixelOutput(std::string_view semantic) {
    return StartsUpper(semantic, "COLOR") || StartsUpper(semantic, "DEPTH") ||
           StartsUpper(semantic, "SV_TARGET") || StartsUpper(semantic, "SV_DEPTH");
}

bool IsBoolScalarOrVector(std::string_view type) {
    return type == "bool" || type == "bool2" || type == "bool3" || type == "bool4";
}

}  // namespace

bool FloatBoolOutputs(TokenRewriteState& state) {
    const Code& code = state.code();
    // Most shaders have no bool output: the outline is made only when a
    // bool type is there.
    bool any = false;
    for (std::string_view word : code.Words()) any = any || IsBoolScalarOrVector(word);
    if (!any) return true;

    const HlslOutline& outline = state.outline();
    TokenEdits edits;
    auto toFloat = [&](size_t type) {
        const std::string_view bool_ = code.Text(type);
        edits.Replace(code.At(type), code.At(type) + 1,
                      {state.hlsl->Make(Tok::Ident, "float" + std::string(bool_.substr(4)),
                                        code.Token(type))});
    };
    auto output = [&](size_t type, size_t semantic) {
        if (type != Declarator::npos && semantic != Declarator::npos && IsBoolScalarOrVector(code.Text(type)) &&
            IsPixelOutput(code.Text(semantic)))
            toFloat(type);
    };
    for (const FunctionOutline& f : outline.functions) {
        if (std::find(state.entries.begin(), state.entries.end(), code.Text(f.name)) == state.entries.end())
            continue;
        for (size_t t = f.returnType; t < f.name; ++t)
            if (code.IsIdent(t) && IsBoolScalarOrVector(code.Text(t))) output(t, f.semantic);
        for (const Declarator& p : f.params)
            if (p.out) output(p.type, p.semantic);
    }
    for (const StructOutline& s : outline.structs) {
        size_t done = Declarator::npos;  // "bool a : COLOR0, b : COLOR1;" share the type
        for (const Declarator& m : s.members) {
            if (m.type == done) continue;
            const size_t before = edits.list.size();
            output(m.type, m.semantic);
            if (edits.list.size() != before) done = m.type;
        }
    }
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
