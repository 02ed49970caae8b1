// Stage 4: a minus before a bool (see 4_negated_bools.h).
#include "platform/fx/4_rewrite/4_negated_bools.h"

#include <string_view>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

bool IsBoolType(std::string_view t) {
    return t.substr(0, 4) == "bool" && ShapeOf(t).rows > 0;
}

// The group (first, close) holds a comparison or logic at its own level,
// or starts with "!".
bool ComparesInside(const Code& code, size_t first, size_t close) {
    if (code.Punct(first + 1) == '!' && code.Punct(first + 2) != '=') return true;
    for (size_t k = first + 1; k < close; ++k) {
        const char p = code.Punct(k);
        if (p == '(' || p == '[') {
            k = code.Closing(k);
            continue;
        }
        if (p == '<' || p == '>' || p == '&' || p == '|') return true;
        if ((p == '=' || p == '!') && code.Punct(k + 1) == '=') return true;
    }
    return false;
}

}  // namespace

bool NegateBools(TokenRewriteState& state) {
    const Code& code = state.code();
    const HlslOutline& outline = state.outline();
    TokenEdits edits;
    // Function bodies, globals' initializers ("static const bool b =
    // -true;") and parameters' default values alike.
    const size_t limit = code.size();
    for (size_t k = 1; k + 1 < limit; ++k) {
        if (code.Punct(k) != '-' || code.Punct(k + 1) == '-' || code.Punct(k + 1) == '=')
            continue;
        // A unary minus: after an operator, an opening or a keyword.
        const char p = code.Punct(k - 1);
        const bool unary = (p != 0 && p != ')' && p != ']') ||
                           (code.IsIdent(k - 1) && code.Text(k - 1) == "return");
        if (!unary || (code.Punct(k - 1) == '-' && code.Punct(k - 2) == '-')) continue;
        // The operand: a group, a name with its members, a constructor.
        size_t end = npos;
        bool isBool = false;
        const size_t first = k + 1;
        if (code.Punct(first) == '(') {
            end = code.Closing(first) + 1;
            isBool = ComparesInside(code, first, end - 1);
        } else if (code.IsIdent(first)) {
            const std::string_view w = code.Text(first);
            end = first + 1;
            if (code.Punct(end) == '(') {
                isBool = IsBoolType(w);
                end = code.Closing(end) + 1;
            } else if (w == "true" || w == "false") {
                isBool = true;
            } else {
                const NameType* found = outline.Declared(code, first);
                isBool = found != nullptr && found->type != npos &&
                         IsBoolType(code.Text(found->type));
                // A swizzle of a bool vector is a bool too ("-b.x"); an
                // element or member of it is another type.
                if (isBool && code.Punct(end) == '.' && code.IsIdent(end + 1) &&
                    !ShapeOf(code.Text(found->type)).matrix && !found->array) {
                    end += 2;
                }
                isBool = isBool && code.Punct(end) != '.' && code.Punct(end) != '[';
            }
        }
        if (!isBool || end == npos || end >= limit) continue;
        const SourceToken& at = code.Token(k);
        edits.Replace(code.At(k), code.At(k) + 1,
                      {state.hlsl->Make(Tok::Punct, "(", at), state.hlsl->Make(Tok::Number, "0", at),
                       state.hlsl->Make(Tok::Punct, "-", at)});
        edits.Replace(code.At(end), code.At(end),
                      {state.hlsl->Make(Tok::Punct, ")", code.Token(end - 1))});
    }
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
