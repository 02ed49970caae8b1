// Stage 4: swizzles of number literals (see 4_literal_swizzles.h).
#include "platform/fx/4_rewrite/language/4_literal_swizzles.h"

#include <string_view>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {

bool BracketLiteralSwizzles(TokenRewriteState& state) {
    const Code& code = state.code();
    TokenEdits edits;
    for (size_t i = 0; i + 2 < code.size(); ++i) {
        if (code.Token(i).kind != Tok::Number || code.Punct(i + 1) != '.' || !code.IsIdent(i + 2))
            continue;
        const std::string_view swizzle = code.Text(i + 2);
        if (swizzle.size() > 4 || swizzle.find_first_not_of("xyzwrgba") != std::string_view::npos)
            continue;
        const SourceToken& at = code.Token(i);
        edits.Replace(code.At(i), code.At(i), {state.hlsl->Make(Tok::Punct, "(", at)});
        SourceToken close = state.hlsl->Make(Tok::Punct, ")", at);
        close.flags |= kGlued;
        edits.Replace(code.At(i) + 1, code.At(i) + 1, {close});
    }
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
