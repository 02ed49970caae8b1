// Stage 4: vector<T, N> and matrix<T, R, C> as type names (see
// 4_template_types.h).
#include "platform/fx/4_rewrite/language/4_template_types.h"

#include <string>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

bool IsScalarType(std::string_view w) {
    return OneOf(w, {"float", "half", "double", "int", "uint", "dword", "bool"});
}

bool IsSize(const Code& code, size_t i) {
    if (i >= code.size() || code.Token(i).kind != Tok::Number) return false;
    const std::string_view t = code.Text(i);
    return t.size() == 1 && t[0] >= '1' && t[0] <= '4';
}

// The type name the template at i stands for, and its last token ('>') in
// *last; empty when it is not one this rewrite names.
std::string TemplateName(const Code& code, size_t i, size_t* last) {
    const bool matrix = code.Text(i) == "matrix";
    if (code.Punct(i + 1) != '<' || !code.IsIdent(i + 2) || !IsScalarType(code.Text(i + 2)) ||
        code.Punct(i + 3) != ',' || !IsSize(code, i + 4)) {
        return {};
    }
    std::string name(code.Text(i + 2));
    if (name == "dword") name = "uint";
    name += code.Text(i + 4);
    size_t k = i + 5;
    if (matrix) {
        if (code.Punct(k) != ',' || !IsSize(code, k + 1)) return {};
        name = Cat({name, "x", code.Text(k + 1)});
        k += 2;
    }
    if (code.Punct(k) != '>') return {};
    *last = k;
    return name;
}

}  // namespace

bool RespellTemplateTypes(TokenRewriteState& state) {
    const Code& code = state.code();
    TokenEdits edits;
    for (size_t i = 0; i + 1 < code.size(); ++i) {
        if (code.Punct(i + 1) != '<' || !code.IsIdent(i)) continue;
        const std::string_view w = code.Text(i);
        if (w != "vector" && w != "matrix") continue;
        size_t last = 0;
        const std::string name = TemplateName(code, i, &last);
        if (name.empty()) continue;
        edits.Replace(code.At(i), code.At(last) + 1,
                      {state.hlsl->Make(Tok::Ident, name, code.Token(i))});
        i = last;
    }
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
