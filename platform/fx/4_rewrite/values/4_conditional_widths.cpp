// Stage 4: a '?:' whose condition is wider than its values (see
// 4_conditional_widths.h).
#include "platform/fx/4_rewrite/values/4_conditional_widths.h"

#include <algorithm>
#include <string>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {

size_t ConditionStart(const Code& code, size_t q) {
    size_t k = q;
    while (k > 0) {
        const size_t t = k - 1;
        const char p = code.Punct(t);
        if (p == ')' || p == ']') {
            k = OpeningBracket(code, t);
            if (k == npos) return npos;
            continue;
        }
        if (p == '(' || p == '[' || p == '{' || p == ',' || p == ';' || p == '}' || p == '?' ||
            p == ':' || AssignmentAt(code, t) || (code.IsIdent(t) && code.Text(t) == "return"))
            break;
        k = t;
    }
    return k < q ? k : npos;
}

namespace {

// The end of the value that starts at k: the ':' of its '?' (else), or
// the token after the whole '?:' (last).
size_t ValueEnd(const Code& code, size_t k, bool last) {
    int nested = 0;
    for (; k < code.size(); ++k) {
        const char p = code.Punct(k);
        if (p == '(' || p == '[' || p == '{') {
            k = code.Closing(k);
        } else if (p == '?') {
            ++nested;
        } else if (p == ':') {
            if (nested == 0) return k;
            --nested;
        } else if (p == ',' || p == ';' || p == ')' || p == ']' || p == '}') {
            return last ? k : npos;
        }
    }
    return npos;
}

// The components of a struct's member "s.m" or "a[i].s.m" alone in
// [first, last), from its declared type; 0 for anything else.
int MemberComponents(const Code& code, const HlslOutline& outline, size_t first, size_t last) {
    if (last < first + 3 || !code.IsIdent(last - 1) || code.Punct(last - 2) != '.' ||
        PastAccessors(code, first + 1) != last || !code.IsIdent(first))
        return 0;
    const NameType* member = outline.Declared(code, last - 1);
    if (member == nullptr || member->type == npos || member->array) return 0;
    const Shape shape = ShapeOf(code.Text(member->type));
    return shape.matrix ? 0 : shape.Components();
}

}  // namespace

// The typer's count, or for a comparison or logic it does not read ("v >=
// 1", "a && b", "s.m > 2") the widest of the sides.
int ConditionComponents(const Code& code, const HlslOutline& outline, size_t first, size_t last) {
    if (const int n = ExpressionComponents(code, outline, first, last); n != 0) return n;
    while (code.Punct(first) == '(' && code.Closing(first) + 1 == last && first + 2 < last) {
        ++first;
        --last;
    }
    int widest = 0;
    size_t start = first;
    for (size_t k = first; k <= last; ++k) {
        const char p = k < last ? code.Punct(k) : 0;
        if (k < last && (p == '(' || p == '[')) {
            k = code.Closing(k);
            continue;
        }
        const bool compares = (p == '<' || p == '>' || p == '=' || p == '!') && k + 1 < last &&
                              code.Punct(k + 1) == '=' && code.Glued(k + 1);
        const bool logic = (p == '&' || p == '|') && k + 1 < last && code.Punct(k + 1) == p &&
                           code.Glued(k + 1);
        const bool less = (p == '<' || p == '>') && !compares && code.Punct(k + 1) != p &&
                          code.Punct(k - 1) != p;
        if (k < last && !compares && !logic && !less) continue;
        int n = ExpressionComponents(code, outline, start, k);
        if (n == 0) n = MemberComponents(code, outline, start, k);
        if (n == 0) return 0;
        widest = std::max(widest, n);
        start = k + (less ? 1 : 2);
        k += less ? 0 : 1;
    }
    return widest;
}

bool RewriteConditionalWidths(TokenRewriteState& state) {
    const Code& code = state.code();
    const HlslOutline& outline = state.outline();
    TokenEdits edits;
    for (size_t q = 1; q < code.size(); ++q) {
        if (code.Punct(q) != '?') continue;
        const size_t first = ConditionStart(code, q);
        const size_t colon = ValueEnd(code, q + 1, false);
        if (first == npos || colon == npos || code.Punct(colon) != ':') continue;
        const size_t end = ValueEnd(code, colon + 1, true);
        if (end == npos) continue;
        int a = ExpressionComponents(code, outline, q + 1, colon);
        if (a == 0) a = MemberComponents(code, outline, q + 1, colon);
        int b = ExpressionComponents(code, outline, colon + 1, end);
        if (b == 0) b = MemberComponents(code, outline, colon + 1, end);
        const int c = ConditionComponents(code, outline, first, q);
        if (a == 0 || b == 0 || c == 0) continue;
        const int width = a == 1 ? b : b == 1 ? a : std::min(a, b);
        if (width < 2 || c <= width || c > 4) continue;
        state.messages.Warning(code.Pos(first), "implicit truncation of vector type");
        const SourceToken& at = code.Token(first);
        edits.Replace(code.At(first), code.At(first), {state.hlsl->Make(Tok::Punct, "(", at)});
        std::vector<SourceToken> tail = {
            state.hlsl->Make(Tok::Punct, ")", at), state.hlsl->Make(Tok::Punct, ".", at),
            state.hlsl->Make(Tok::Ident, std::string("xyzw").substr(0, static_cast<size_t>(width)), at)};
        tail[1].flags |= kGlued;
        tail[2].flags |= kGlued;
        edits.Replace(code.At(q), code.At(q), std::move(tail));
    }
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
