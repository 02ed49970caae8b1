// Stage 4: comparisons of constant vectors as steps (see
// 4_constant_comparisons.h).
#include "platform/fx/4_rewrite/values/4_constant_comparisons.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {

struct Comparisons {
    const Code& code;
    const HlslOutline& outline;

    // The relational operator at k: 1 for '<' or '>', 2 for '<=' or '>=',
    // 0 for anything else (a shift, '<<=', '->').
    size_t OperatorAt(size_t k) const {
        const char p = code.Punct(k);
        if (p != '<' && p != '>') return 0;
        if (k > 0 && code.Glued(k) && (code.Punct(k - 1) == '<' || code.Punct(k - 1) == '>' ||
                                       code.Punct(k - 1) == '-'))
            return 0;
        if (code.Glued(k + 1) && code.Punct(k + 1) == p) return 0;
        return code.Glued(k + 1) && code.Punct(k + 1) == '=' ? 2 : 1;
    }

    // Where an operand stops: a bracket or separator, an assignment, a
    // comparison or a logical operator.
    bool Stop(size_t k) const {
        const char p = code.Punct(k);
        return p == ',' || p == ';' || p == '?' || p == ':' || p == '{' || p == '}' || p == '=' ||
               p == '<' || p == '>' || p == '&' || p == '|' || p == '^' ||
               (p == '!' && code.Glued(k + 1) && code.Punct(k + 1) == '=') ||
               (code.IsIdent(k) && code.Text(k) == "return");
    }

    // The first token of the left operand of the operator at k; npos when
    // it cannot be told.
    size_t LeftStart(size_t k) const {
        size_t first = k;
        while (first > 0) {
            const size_t t = first - 1;
            const char p = code.Punct(t);
            if (p == ')' || p == ']') {
                const size_t open = OpeningBracket(code, t);
                if (open == npos) return npos;
                first = open;
                continue;
            }
            if (p == '(' || p == '[' || Stop(t)) break;
            first = t;
        }
        return first < k ? first : npos;
    }

    // The token after the right operand that starts at k.
    size_t RightEnd(size_t k) const {
        size_t end = k;
        while (end < code.size()) {
            const char p = code.Punct(end);
            if (p == '(' || p == '[') {
                end = code.Closing(end) + 1;
                continue;
            }
            if (p == ')' || p == ']' || Stop(end)) break;
            ++end;
        }
        return end;
    }

    // Whether [first, last) is made of numbers, type names, intrinsics and
    // names declared const only.
    bool Constant(size_t first, size_t last) const {
        for (size_t k = first; k < last; ++k) {
            if (!code.IsIdent(k)) continue;
            const std::string_view w = code.Text(k);
            if (code.Punct(k - 1) == '.') continue;  // a swizzle
            if (ShapeOf(w).rows > 0 || w == "true" || w == "false") continue;
            if (code.Punct(k + 1) == '(') {
                if (!outline.Functions(w).empty()) return false;  // the user's function
                continue;
            }
            const NameType* declared = outline.Declared(code, k);
            if (declared == nullptr || declared->type == npos || !ConstBefore(declared->type)) return false;
        }
        return true;
    }

    bool ConstBefore(size_t type) const {
        for (size_t k = type; k-- > 0 && code.IsIdent(k) && IsQualifier(code.Text(k));)
            if (code.Text(k) == "const") return true;
        return false;
    }
};

void Append(std::vector<SourceToken>* out, const Code& code, size_t first, size_t last) {
    for (size_t k = first; k < last; ++k) out->push_back(code.Token(k));
}

}  // namespace

bool RewriteConstantComparisons(TokenRewriteState& state) {
    const Code& code = state.code();
    // Most shaders compare nothing with a constant vector built in place.
    bool vectors = false;
    for (std::string_view w : code.Words()) vectors = vectors || ShapeOf(w).Components() > 1;
    if (!vectors) return true;
    const HlslOutline& outline = state.outline();
    Comparisons at{code, outline};
    TokenEdits edits;
    size_t doneUntil = 0;  // one comparison per operand
    for (const FunctionOutline& fn : outline.functions) {
        if (fn.body == npos) continue;
        for (size_t k = std::max(fn.body + 1, doneUntil); k < fn.end; ++k) {
            const size_t width = at.OperatorAt(k);
            if (width == 0) continue;
            const size_t first = at.LeftStart(k), end = at.RightEnd(k + width);
            if (first == npos || end <= k + width || end > fn.end) continue;
            if (!at.Constant(first, k) || !at.Constant(k + width, end)) continue;
            const int left = ExpressionComponents(code, outline, first, k);
            const int right = ExpressionComponents(code, outline, k + width, end);
            if (left < 2 && right < 2) continue;
            if (ValueShape(code, outline, first, k).matrix || ValueShape(code, outline, k + width, end).matrix)
                continue;
            // a >= b: step(b, a) != 0; a > b: step(a, b) == 0; the other
            // two swap.
            const bool greater = code.Punct(k) == '>';
            const bool strict = width == 1;
            const bool leftFirst = greater == strict;  // step's first argument is a
            const SourceToken& t = code.Token(k);
            auto make = [&](Tok kind, std::string_view text) { return state.hlsl->Make(kind, text, t); };
            std::vector<SourceToken> out;
            out.push_back(make(Tok::Punct, "("));
            out.push_back(make(Tok::Ident, "step"));
            out.push_back(make(Tok::Punct, "("));
            out.push_back(make(Tok::Punct, "("));
            if (leftFirst) Append(&out, code, first, k); else Append(&out, code, k + width, end);
            out.push_back(make(Tok::Punct, ")"));
            out.push_back(make(Tok::Punct, ","));
            out.push_back(make(Tok::Punct, "("));
            if (leftFirst) Append(&out, code, k + width, end); else Append(&out, code, first, k);
            out.push_back(make(Tok::Punct, ")"));
            out.push_back(make(Tok::Punct, ")"));
            // Compared with 0 it is a bool vector again, which glslang
            // keeps per component.
            out.push_back(make(Tok::Punct, strict ? "=" : "!"));
            out.push_back(make(Tok::Punct, "="));
            out.back().flags |= kGlued;
            out.push_back(make(Tok::Number, "0"));
            out.push_back(make(Tok::Punct, ")"));
            edits.Replace(code.At(first), code.At(end - 1) + 1, std::move(out));
            k = end;
            doneUntil = end;
        }
    }
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
