// Stage 4: compound assignments to int, uint and bool names (see
// 4_int_compounds.h).
#include "platform/fx/4_rewrite/values/4_int_compounds.h"

#include <set>
#include <string>
#include <string_view>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

// "int", "uint" or "bool" when t is a scalar or vector of that base.
std::string_view IntBase(std::string_view t) {
    const Shape shape = ShapeOf(t);
    if (shape.rows == 0 || shape.matrix) return {};
    for (std::string_view base : {"uint", "int", "bool"})
        if (t.substr(0, base.size()) == base) return base;
    return {};
}

bool IntLiteral(std::string_view w) {
    if (w.size() > 1 && w[0] == '0' && (w[1] == 'x' || w[1] == 'X')) return true;
    return w.find_first_of(".eEfFhH") == std::string_view::npos;
}

struct Compound {
    size_t first = 0;  // the left side's name
    size_t op = 0;     // the operator ("+" of "+=")
    size_t end = 0;    // the token after the right side
    std::string type;  // what the left side holds
};

class IntCompounds {
public:
    IntCompounds(const Code& code, const HlslOutline& outline) : code_(code), outline_(outline) {}

    // The compound assignment whose left side starts at name i.
    bool Read(size_t i, Compound* c) const;
    // Whether the right side [first, end) is certainly an int: int
    // literals, int names and int types, and operators.
    bool IntsOnly(size_t first, size_t end) const;

private:
    // "+=", "-=", "*=", "/=" or "%=" at k.
    bool CompoundAt(size_t k) const {
        const char op = code_.Punct(k);
        return op != 0 && std::string_view("+-*/%").find(op) != std::string_view::npos &&
               code_.Punct(k + 1) == '=' && code_.Glued(k + 1);
    }
    size_t ChainStart(size_t i) const;
    bool Plain(size_t first, size_t last) const;

    const Code& code_;
    const HlslOutline& outline_;
};

bool IntCompounds::Read(size_t i, Compound* c) const {
    if (!code_.IsIdent(i)) return false;
    // Most names are no compound assignment's: told by the tokens alone.
    const size_t after = PastAccessors(code_, i + 1);
    if (!CompoundAt(after)) return false;
    const size_t first = ChainStart(i);
    if (first == npos) return false;
    const NameType* found = outline_.Declared(code_, i);
    if (found == nullptr || found->type == npos || found->uniform) return false;
    const std::string_view type = code_.Text(found->type);
    const std::string_view base = IntBase(type);
    if (base.empty()) return false;
    int count = ShapeOf(type).Components();
    size_t k = i + 1;
    if (code_.Punct(k) == '[') {
        const size_t close = code_.Closing(k);
        if (close >= code_.size() || !Plain(k + 1, close)) return false;
        if (!found->array) count = 1;
        k = close + 1;
    } else if (found->array) {
        return false;
    }
    if (code_.Punct(k) == '.' && code_.IsIdent(k + 1)) {
        const std::string_view letters = code_.Text(k + 1);
        if (letters.size() > 4 || letters.find_first_not_of("xyzwrgba") != std::string_view::npos)
            return false;
        count = static_cast<int>(letters.size());
        k += 2;
    }
    if (!CompoundAt(k)) return false;
    c->first = first;
    c->op = k;
    c->end = ExpressionEnd(code_, k + 2);
    c->type = std::string(base);
    if (count > 1) c->type += std::to_string(count);
    return c->end < code_.size();
}

bool IntCompounds::IntsOnly(size_t first, size_t end) const {
    for (size_t k = first; k < end; ++k) {
        const SourceToken& t = code_.Token(k);
        if (t.kind == Tok::Number) {
            if (!IntLiteral(code_.Text(k))) return false;
        } else if (code_.IsIdent(k)) {
            const std::string_view w = code_.Text(k);
            if (w == "true" || w == "false" || !IntBase(w).empty()) continue;
            if (code_.Punct(k - 1) == '.') return false;  // a member or swizzle
            const NameType* found = outline_.Declared(code_, k);
            if (found == nullptr || found->type == npos || IntBase(code_.Text(found->type)).empty())
                return false;
        } else if (code_.Punct(k) == 0 || code_.Punct(k) == '.') {
            return false;
        }
    }
    return true;
}

// The first token of the left side whose last name is at i: i itself, or
// the variable of a struct whose member it is ("a[2].s.k": a, its members
// read without side effects); npos when it is no variable's member.
size_t IntCompounds::ChainStart(size_t i) const {
    size_t start = i;
    while (start >= 2 && code_.Punct(start - 1) == '.') {
        size_t p = start - 2;
        while (code_.Punct(p) == ']') {
            size_t open = p;
            while (open > 0 && code_.Closing(open) != p) --open;
            if (open == 0 || code_.Closing(open) != p || !Plain(open + 1, p)) return npos;
            p = open - 1;
        }
        if (!code_.IsIdent(p)) return npos;
        start = p;
    }
    if (start == i) return i;
    const NameType* root = outline_.Declared(code_, start);
    if (root == nullptr || root->type == npos || root->uniform ||
        outline_.FindStruct(code_, code_.Text(root->type)) == nullptr)
        return npos;
    return start;
}

// Tokens [first, last) read twice give the same value: no call, no
// assignment, no ++ or --.
bool IntCompounds::Plain(size_t first, size_t last) const {
    for (size_t k = first; k < last; ++k) {
        const char p = code_.Punct(k);
        if (p == '=' || (p == '(' && code_.IsIdent(k - 1))) return false;
        if ((p == '+' || p == '-') && code_.Punct(k + 1) == p) return false;
    }
    return true;
}

// Whether [first, last) writes a variable: "++", "--" or an assignment.
bool Writes(const Code& code, size_t first, size_t last) {
    for (size_t k = first; k < last; ++k) {
        if (StepAt(code, k) || AssignmentAt(code, k)) return true;
    }
    return false;
}

// "i *= (i++ * 0.5)" -> "fx_int_compound_mul_int_((i++ * 0.5), i)": the
// right side runs before the left is read, as on Direct3D 9. The helper
// goes before the function, once.
void CallHelper(TokenRewriteState& state, const Compound& c, std::set<std::string>* made,
                TokenEdits* edits) {
    const Code& code = state.code();
    const HlslOutline& outline = state.outline();
    const char p = code.Text(c.op)[0];
    const std::string_view names = p == '+' ? "add" : p == '-' ? "sub" : p == '*' ? "mul"
                                 : p == '/' ? "div" : "mod";
    const std::string name = Cat({"fx_int_compound_", names, "_", c.type, "_"});
    const SourceToken& at = code.Token(c.op);
    std::vector<SourceToken> tail = {state.hlsl->Make(Tok::Punct, ",", at)};
    for (size_t k = c.first; k < c.op; ++k) tail.push_back(code.Token(k));
    tail.push_back(state.hlsl->Make(Tok::Punct, ")", at));
    edits->Replace(code.At(c.first), code.At(c.op) + 2,
                   {state.hlsl->Make(Tok::Ident, name, code.Token(c.first)),
                    state.hlsl->Make(Tok::Punct, "(", at)});
    edits->Replace(code.At(c.end), code.At(c.end), std::move(tail));
    if (!made->insert(name).second) return;
    for (const FunctionOutline& f : outline.functions) {
        if (f.body == npos || c.first < f.body || c.first > f.end) continue;
        const int n = Components(c.type);
        const std::string e = n == 1 ? "float" : "float" + std::to_string(n);
        const std::string text = Cat({c.type, " ", name, "(", e, " e, inout ", c.type, " t) { t = (",
                                      c.type, ")(t ", std::string_view(&p, 1), " e); return t; }\n"});
        const size_t start = DeclarationStart(code, f);
        edits->Replace(code.At(start), code.At(start), state.hlsl->MakeTokens(text, code.Token(start)));
        return;
    }
}

}  // namespace

bool RewriteIntCompounds(TokenRewriteState& state) {
    const Code& code = state.code();
    IntCompounds compounds(code, state.outline());
    TokenEdits edits;
    std::set<std::string> made;
    for (size_t i = 0; i < code.size(); ++i) {
        Compound c;
        if (!compounds.Read(i, &c)) continue;
        if (c.type.substr(0, 4) != "bool" && compounds.IntsOnly(c.op + 2, c.end)) continue;
        // A narrower vector is an error glslang says of the assignment.
        const int right = ExpressionComponents(code, state.outline(), c.op + 2, c.end);
        if (right > 1 && right < Components(c.type)) continue;
        if (Writes(code, c.op + 2, c.end)) {
            // An indexed left side takes its index first: left alone.
            bool indexed = false;
            for (size_t k = c.first; k < c.op; ++k) indexed = indexed || code.Punct(k) == '[';
            if (!indexed) CallHelper(state, c, &made, &edits);
            i = c.op + 1;
            continue;
        }
        // "i += e" -> "i = (int)(i + (e))"
        const SourceToken& at = code.Token(c.op);
        auto punct = [&](std::string_view p) { return state.hlsl->Make(Tok::Punct, p, at); };
        std::vector<SourceToken> open = {punct("="), punct("("), state.hlsl->Make(Tok::Ident, c.type, at),
                                         punct(")"), punct("(")};
        for (size_t k = c.first; k < c.op; ++k) open.push_back(code.Token(k));
        open.push_back(punct(std::string_view(&code.Text(c.op)[0], 1)));
        open.push_back(punct("("));
        edits.Replace(code.At(c.op), code.At(c.op) + 2, std::move(open));
        edits.Replace(code.At(c.end), code.At(c.end), {punct(")"), punct(")")});
        i = c.op + 1;
    }
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
