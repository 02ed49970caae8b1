// Stage 4: static globals whose initial value calls a function of the
// effect (see 4_static_calls.h).
#include "platform/fx/4_rewrite/declarations/4_static_calls.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {

// A static global "static [const] T NAME = INIT;" whose INIT calls one of
// the effect's functions: code tokens of its const, name, '=' and ';'.
struct StaticCall {
    size_t constWord = Declarator::npos;
    size_t type = 0;  // its type's first token
    size_t name = 0;
    size_t equals = 0;
    size_t end = 0;
    // An initializer list or an array: assigned through a local of its
    // type, "{ T fx_static_NAME_[N] = { ... }; NAME = fx_static_NAME_; }",
    // as a list is no value of an assignment.
    bool throughLocal = false;
    // Not static: a parameter, whose initial value the effect evaluates and
    // writes (4_default_values); the shader's text loses it.
    bool parameter = false;
};

// Stage 5 gives these intrinsics as functions of its own (lit, sign,
// faceforward): in an initializer they are calls of functions too.
bool CallsFunction(const Code& code, const HlslOutline& outline, size_t i) {
    if (code.Punct(i + 1) != '(') return false;
    const std::string_view name = code.Text(i);
    return !outline.Functions(name).empty() || name == "lit" || name == "sign" ||
           name == "faceforward";
}

// The statement of global scope [first, end) (end at its ';') when it is
// such a declaration. One that reads a static already moved moves too: at
// the declaration that static is still without its value.
bool ReadStatic(const Code& code, const HlslOutline& outline, size_t first, size_t end,
                const std::vector<std::string_view>& moved, StaticCall* out) {
    bool isStatic = false;
    StaticCall s;
    s.end = end;
    size_t k = first;
    for (; k < end && code.IsIdent(k) && IsQualifier(code.Text(k)); ++k) {
        if (code.Text(k) == "static") isStatic = true;
        if (code.Text(k) == "const") s.constWord = k;
    }
    s.parameter = !isStatic;
    for (size_t i = k; i < end; ++i) {
        const char p = code.Punct(i);
        if (p == ',' || (p == ':' && s.equals == 0)) return false;
        if (p == '{' && (s.equals == 0 || i != s.equals + 1)) return false;
        if (p == '(' || p == '[' || p == '{') i = code.Closing(i);
        if (p == '=' && s.equals == 0) s.equals = i;
    }
    if (s.equals == 0) return false;
    const Declarator d = ReadDeclarator(code, k, s.equals);
    if (d.type == Declarator::npos || d.name == Declarator::npos) return false;
    s.type = d.type;
    s.name = d.name;
    s.throughLocal = d.arrayOpen != Declarator::npos || code.Punct(s.equals + 1) == '{';
    bool calls = false;
    for (size_t i = s.equals + 1; i + 1 < end && !calls; ++i)
        calls = code.IsIdent(i) && code.Punct(i - 1) != '.' &&
                (CallsFunction(code, outline, i) ||
                 (!s.parameter && std::find(moved.begin(), moved.end(), code.Text(i)) != moved.end()));
    if (!calls) return false;
    *out = s;
    return true;
}

// "{ T fx_static_NAME_[N] = INIT; NAME = fx_static_NAME_; }" for s.
void AssignThroughLocal(const Code& code, const TokenStream& hlsl, const StaticCall& s,
                        std::vector<SourceToken>* out) {
    const SourceToken& at = code.Token(s.name);
    const std::string local = "fx_static_" + std::string(code.Text(s.name)) + "_";
    out->push_back(hlsl.Make(Tok::Punct, "{", at));
    for (size_t k = s.type; k < s.name; ++k) out->push_back(code.Token(k));
    out->push_back(hlsl.Make(Tok::Ident, local, at));
    for (size_t k = s.name + 1; k <= s.end; ++k) out->push_back(code.Token(k));
    out->push_back(code.Token(s.name));
    out->push_back(hlsl.Make(Tok::Punct, "=", at));
    out->push_back(hlsl.Make(Tok::Ident, local, at));
    out->push_back(hlsl.Make(Tok::Punct, ";", at));
    out->push_back(hlsl.Make(Tok::Punct, "}", at));
}

}  // namespace

bool MoveStaticCalls(TokenRewriteState& state) {
    // Most effects have no global initialized by a call: the code and its
    // outline are made only when "=" is there.
    const uint32_t word = state.hlsl->texts->Id("=");
    bool any = false;
    for (const SourceToken& t : state.hlsl->tokens)
        if (t.text == word) {
            any = true;
            break;
        }
    if (!any) return true;

    const Code& code = state.code();

    const HlslOutline& outline = state.outline();
    std::vector<bool> inFunction(code.size() + 1, false);
    for (const FunctionOutline& f : outline.functions)
        for (size_t i = DeclarationStart(code, f); i <= f.end && i < code.size(); ++i)
            inFunction[i] = true;
    std::vector<StaticCall> found;
    std::vector<std::string_view> moved;
    for (size_t i = 0; i < code.size();) {
        if (inFunction[i]) {
            ++i;
            continue;
        }
        const size_t first = i;
        for (; i < code.size() && !inFunction[i] && code.Punct(i) != ';'; ++i)
            if (code.Punct(i) == '(' || code.Punct(i) == '[' || code.Punct(i) == '{')
                i = std::min(code.Closing(i), code.size() - 1);
        StaticCall s;
        if (i < code.size() && code.Punct(i) == ';' && ReadStatic(code, outline, first, i, moved, &s)) {
            found.push_back(s);
            if (!s.parameter) moved.push_back(code.Text(s.name));
        }
        if (i == first || (i < code.size() && code.Punct(i) == ';')) ++i;
    }
    if (found.empty()) return true;

    // The assignments, in declaration order, at the start of each entry point.
    TokenEdits edits;
    std::vector<SourceToken> assignments;
    for (const StaticCall& s : found) {
        if (s.parameter) {
            // (no assignment: the effect writes the parameter's registers)
        } else if (s.throughLocal) {
            AssignThroughLocal(code, *state.hlsl, s, &assignments);
        } else {
            for (size_t k = s.name; k <= s.end; ++k) assignments.push_back(code.Token(k));
        }
        if (s.constWord != Declarator::npos)
            edits.Replace(code.At(s.constWord), code.At(s.constWord) + 1, {});
        edits.Replace(code.At(s.equals), code.At(s.end), {});
    }
    for (const FunctionOutline& f : outline.functions) {
        if (f.body == Declarator::npos) continue;
        bool entry = false;
        for (const std::string& e : state.entries) entry = entry || code.Text(f.name) == e;
        if (entry) edits.Replace(code.At(f.body) + 1, code.At(f.body) + 1, assignments);
    }
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
