// Stage 4: attributes taken without a word (see 4_statement_attributes.h).
#include "platform/fx/4_rewrite/language/4_statement_attributes.h"

#include <string_view>
#include <utility>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

bool LoopHint(std::string_view name) { return name == "fastopt" || name == "allow_uav_condition"; }
bool SwitchHint(std::string_view name) { return name == "forcecase" || name == "call"; }

}  // namespace

bool DropTakenAttributes(TokenRewriteState& state) {
    const Code& code = state.code();
    std::vector<std::pair<size_t, size_t>> dropped;  // code tokens [first, last]
    for (size_t i = 0; i + 2 < code.size(); ++i) {
        if (code.Punct(i) != '[' || !code.IsIdent(i + 1) || code.Punct(i + 2) != ']') continue;
        const std::string_view name = code.Text(i + 1);
        if (!LoopHint(name) && !SwitchHint(name)) continue;
        // Where a statement starts: not an index ("a[call]").
        if (i > 0) {
            const char before = code.Punct(i - 1);
            if (before != ';' && before != '{' && before != '}' && before != ')' && before != ']' &&
                !code.IsWord(i - 1, "else") && !code.IsWord(i - 1, "do"))
                continue;
        }
        // The statement after this attribute and any others.
        size_t at = i + 3;
        while (code.Punct(at) == '[' && code.IsIdent(at + 1)) at = code.Closing(at) + 1;
        const bool loop = code.IsWord(at, "for") || code.IsWord(at, "while") || code.IsWord(at, "do");
        if (LoopHint(name) ? loop : code.IsWord(at, "switch")) dropped.emplace_back(i, i + 2);
        i += 2;
    }
    if (dropped.empty()) return true;
    TokenEdits edits;
    for (const auto& span : dropped) edits.Replace(code.At(span.first), code.At(span.second) + 1, {});
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
