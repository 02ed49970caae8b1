// Stage 4: a scalar cast into a float matrix made a float first (see
// 4_matrix_spreads.h).
#include "platform/fx/4_rewrite/matrices/4_matrix_spreads.h"

#include <string_view>
#include <unordered_set>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

bool FloatMatrix(std::string_view type) {
    const Shape shape = ShapeOf(type);
    return shape.matrix && shape.rows > 1 && shape.cols > 1 && type.substr(0, 5) == "float";
}

}  // namespace

bool CastScalarsToMatrices(TokenRewriteState& state) {
    const Code& code = state.code();
    // "typedef float2x2 M;": (M)7 is such a cast too.
    std::unordered_set<std::string_view> aliases;
    bool any = false;
    for (size_t i = 0; i + 2 < code.size(); ++i) {
        if (code.Punct(i) == '(' && code.IsIdent(i + 1) && code.Punct(i + 2) == ')' &&
            code.Text(i + 1).size() >= 8 && FloatMatrix(code.Text(i + 1)))
            any = true;
        if (i + 3 < code.size() && code.IsIdent(i) && code.Text(i) == "typedef" &&
            code.IsIdent(i + 1) && FloatMatrix(code.Text(i + 1)) && code.IsIdent(i + 2) &&
            code.Punct(i + 3) == ';')
            aliases.insert(code.Text(i + 2));
    }
    if (!any && aliases.empty()) return true;
    const HlslOutline& outline = state.outline();
    const TokenStream& s = *state.hlsl;
    TokenEdits edits;
    for (size_t i = 0; i + 3 < code.size(); ++i) {
        if (code.Punct(i) != '(' || !code.IsIdent(i + 1) || code.Punct(i + 2) != ')') continue;
        const std::string_view type = code.Text(i + 1);
        if (!FloatMatrix(type) && !aliases.contains(type)) continue;
        // Not a call's or a constructor's one argument, "f(float2x2)".
        if (i > 0 && code.IsIdent(i - 1) && code.Text(i - 1) != "return" &&
            code.Text(i - 1) != "else")
            continue;
        const size_t value = i + 3;
        // Made a float already.
        if (code.Punct(value) == '(' && code.IsIdent(value + 1) && code.Text(value + 1) == "float" &&
            code.Punct(value + 2) == ')')
            continue;
        const size_t end = CastOperandEnd(code, outline, value);
        if (end == npos || end >= code.size()) continue;
        if (ExpressionComponents(code, outline, value, end) != 1) continue;
        const SourceToken& at = code.Token(value);
        edits.Replace(code.At(value), code.At(value),
                      {s.Make(Tok::Punct, "(", at), s.Make(Tok::Ident, "float", at),
                       s.Make(Tok::Punct, ")", at), s.Make(Tok::Punct, "(", at)});
        edits.Replace(code.At(end), code.At(end), {s.Make(Tok::Punct, ")", code.Token(end))});
    }
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
