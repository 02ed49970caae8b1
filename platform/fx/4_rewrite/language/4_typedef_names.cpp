// Stage 4: typedefs of scalars and vectors by their types (see
// 4_typedef_names.h).
#include "platform/fx/4_rewrite/language/4_typedef_names.h"

#include <string_view>
#include <unordered_map>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {

// The word at i is a name being declared ("v3 v3;"): a type stands before
// it, not a qualifier or keyword.
bool AfterType(const Code& code, size_t i) {
    if (i == 0 || !code.IsIdent(i - 1)) return false;
    const std::string_view w = code.Text(i - 1);
    return !IsQualifier(w) && !OneOf(w, {"return", "in", "out", "inout", "uniform", "case", "else",
                                         "do", "inline", "typedef"});
}

}  // namespace

bool ReplaceTypedefNames(TokenRewriteState& state) {
    const Code& code = state.code();
    // The typedef names met so far (only later uses change), by the code
    // token of the type each stands for.
    std::unordered_map<std::string_view, size_t> types;
    TokenEdits edits;
    for (size_t i = 0; i < code.size(); ++i) {
        if (!code.IsIdent(i)) continue;
        const std::string_view w = code.Text(i);
        if (w == "typedef" && code.IsIdent(i + 1) && code.IsIdent(i + 2) &&
            code.Punct(i + 3) == ';') {
            const Shape shape = ShapeOf(code.Text(i + 1));
            const auto known = types.find(code.Text(i + 1));
            if (known != types.end()) {
                types[code.Text(i + 2)] = known->second;
            } else if (shape.rows == 1 && !shape.matrix) {
                types[code.Text(i + 2)] = i + 1;
            }
            i += 3;
            continue;
        }
        if (types.empty() || (i > 0 && code.Punct(i - 1) == '.') || AfterType(code, i)) continue;
        const auto found = types.find(w);
        if (found == types.end()) continue;
        edits.Replace(code.At(i), code.At(i) + 1,
                      {state.hlsl->Make(Tok::Ident, code.Text(found->second), code.Token(i))});
    }
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
