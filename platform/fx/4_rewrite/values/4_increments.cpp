// Stage 4: what ++ and -- are given (see 4_increments.h).
#include "platform/fx/4_rewrite/values/4_increments.h"

#include <string>
#include <string_view>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

// A word before a statement's value, not a function it calls.
bool StatementWord(const Code& code, size_t k) {
    return code.IsIdent(k) && OneOf(code.Text(k), {"return", "else", "do", "case"});
}

bool Callee(const Code& code, size_t k) { return code.IsIdent(k) && !StatementWord(code, k); }

// The first token of the operand that ends before i (a postfix ++).
size_t OperandStart(const Code& code, size_t i) {
    size_t k = i;
    while (k > 0) {
        const size_t last = k - 1;
        const char p = code.Punct(last);
        if (p == ']' || p == ')') {
            const size_t open = OpeningBracket(code, last);
            if (open == npos) return npos;
            k = open;
            if (p == ')') return Callee(code, k - 1) ? k - 1 : k;  // a call or a group
        } else if (code.IsIdent(last) || code.Token(last).kind == Tok::Number) {
            k = last;
            if (code.Punct(k - 1) != '.' || k < 2) return k;
            k -= 1;  // past the '.' to what it is a member of
        } else {
            return npos;
        }
    }
    return npos;
}

// The token of [first, last) that keeps it from being a variable; npos
// when it is one: a name with its elements and members, in brackets.
size_t NotVariable(const Code& code, size_t first, size_t last) {
    if (first >= last) return first;
    size_t end = first + 1;
    if (code.Punct(first) == '(') {
        const size_t close = code.Closing(first);
        if (close >= last) return first;
        const size_t inner = NotVariable(code, first + 1, close);
        if (inner != npos) return inner;
        end = close + 1;
    } else {
        const std::string_view w = code.Text(first);
        if (!code.IsIdent(first) || w == "true" || w == "false" || code.Punct(first + 1) == '(')
            return first;
    }
    return PastAccessors(code, end) == last ? npos : first;
}

// What the operand at is, said after the error's "need a variable; ".
std::string What(const Code& code, size_t at) {
    const std::string_view w = code.Text(at);
    if (code.Token(at).kind == Tok::Number || w == "true" || w == "false")
        return Cat({"'", w, "' is a constant"});
    if (code.IsIdent(at) && code.Punct(at + 1) == '(')
        return Cat({"'", w, "(...)' is the value of a call"});
    return "an expression is not one";
}

}  // namespace

bool CheckIncrements(TokenRewriteState& state) {
    const Code& code = state.code();
    bool ok = true;
    for (size_t i = 1; i + 2 < code.size(); ++i) {
        if (!StepAt(code, i)) continue;
        const char before = code.Punct(i - 1);
        const bool postfix = Callee(code, i - 1) || before == ')' || before == ']' ||
                             code.Token(i - 1).kind == Tok::Number;
        size_t first = i + 2;
        size_t last = npos;
        if (postfix) {
            first = OperandStart(code, i);
            last = i;
        } else if (code.Punct(first) == '(') {
            last = PastAccessors(code, code.Closing(first) + 1);
        } else if (code.IsIdent(first) || code.Token(first).kind == Tok::Number) {
            last = code.Punct(first + 1) == '(' ? code.Closing(first + 1) + 1 : first + 1;
            last = PastAccessors(code, last);
        }
        // "a+++b" and what cannot be read are glslang's to say.
        if (first == npos || last == npos || last > code.size() || (!postfix && StepAt(code, first)))
            continue;
        const size_t at = NotVariable(code, first, last);
        if (at == npos) continue;
        state.messages.Error(code.Pos(at), Cat({"++ and -- need a variable; ", What(code, at)}));
        ok = false;
        i += 1;
    }
    return ok;
}

}  // namespace fx
