// Stage 4: variables declared with their struct type (see
// 4_struct_declarators.h).
#include "platform/fx/4_rewrite/language/4_struct_declarators.h"

#include <string>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {

// The first of the qualifiers written before the word at i ("static
// const struct"); i when there are none. npos after "typedef".
size_t QualifiersBefore(const Code& code, size_t i) {
    size_t q = i;
    while (q > 0 && code.IsIdent(q - 1) && IsQualifier(code.Text(q - 1))) --q;
    if (q > 0 && code.IsIdent(q - 1) && code.Text(q - 1) == "typedef") return Declarator::npos;
    return q;
}

}  // namespace

bool SeparateStructDeclarators(TokenRewriteState& state) {
    const Code& code = state.code();
    TokenEdits edits;
    int made = 0;
    for (size_t i = 0; i + 2 < code.size(); ++i) {
        if (!code.IsIdent(i) || code.Text(i) != "struct") continue;
        const size_t struct_ = i;
        const bool named = code.IsIdent(i + 1);
        const size_t open = named ? i + 2 : i + 1;
        if (code.Punct(open) != '{') continue;
        const size_t close = code.Closing(open);
        // A struct a member declares stays in its struct (glslang takes it).
        i = close;
        const size_t first = QualifiersBefore(code, struct_);
        // "struct S { ... };" is a type alone.
        if (close + 1 >= code.size() || code.Punct(close + 1) == ';') continue;
        const SourceToken& at = code.Token(struct_);
        SourceToken name = named ? code.Token(struct_ + 1)
                                 : state.hlsl->Make(Tok::Ident,
                                                    "fx_local_struct_" + std::to_string(++made) + "_", at);
        if (!named) edits.Replace(code.At(struct_) + 1, code.At(struct_) + 1, {name});
        // A typedef's struct only needs a name, which the typedef then names.
        if (first == Declarator::npos) continue;
        // The qualifiers move from before the type to before its variables.
        std::vector<SourceToken> after{state.hlsl->Make(Tok::Punct, ";", code.Token(close))};
        for (size_t q = first; q < struct_; ++q) after.push_back(code.Token(q));
        after.push_back(name);
        if (first < struct_) edits.Replace(code.At(first), code.At(struct_), {});
        edits.Replace(code.At(close) + 1, code.At(close) + 1, std::move(after));
    }
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
