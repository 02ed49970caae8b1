// Stage 4: globals whose initial value calls a function of the effect (see
// 4_initializer_calls.h).
#include "platform/fx/4_rewrite/language/4_initializer_calls.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {

constexpr size_t npos = Declarator::npos;

// "[qualifiers] TYPE NAME[...] [: ...] = INIT;" at global scope, one name.
struct Initialized {
    size_t first = 0;
    size_t name = npos;
    size_t equals = npos;
    size_t semicolon = npos;
    bool isStatic = false;
};

// The global declaration [first, semicolon) as Initialized reads it; name
// npos when it is no such declaration.
Initialized ReadGlobal(const Code& code, size_t first, size_t semicolon) {
    Initialized g;
    g.first = first;
    g.semicolon = semicolon;
    size_t k = first;
    for (; k < semicolon && code.IsIdent(k) && IsQualifier(code.Text(k)); ++k)
        g.isStatic = g.isStatic || code.Text(k) == "static";
    if (k + 1 >= semicolon || !code.IsIdent(k) || !code.IsIdent(k + 1)) return g;
    for (size_t i = k + 2; i < semicolon; ++i) {
        const char p = code.Punct(i);
        if (p == ',') return g;  // several names: left to glslang
        if (p == '(' || p == '[' || p == '{') {
            i = code.Closing(i);
        } else if (p == '=' && g.equals == npos && code.Punct(i + 1) != '{') {
            g.equals = i;
        }
    }
    if (g.equals != npos) g.name = k + 1;
    return g;
}

class InitializerCalls {
public:
    explicit InitializerCalls(TokenRewriteState& state)
        : state_(state), code_(state.code()), outline_(state.outline()) {
        for (const FunctionOutline& f : outline_.functions)
            functionAt_.emplace(DeclarationStart(code_, f), f.end);
    }

    bool Run() {
        for (size_t k = 0; k < code_.size();) k = Statement(k);
        if (edits_.list.empty()) return true;
        Calls();
        edits_.Apply(&state_.hlsl->tokens);
        state_.Edited();
        return true;
    }

private:
    // The global statement at k; returns the token after it.
    size_t Statement(size_t k) {
        if (auto f = functionAt_.find(k); f != functionAt_.end()) return f->second + 1;
        if (code_.IsIdent(k) && (code_.Text(k) == "cbuffer" || code_.Text(k) == "tbuffer")) {
            size_t open = k;
            while (open < code_.size() && code_.Punct(open) != '{') ++open;
            return open < code_.size() ? code_.Closing(open) + 1 : code_.size();
        }
        size_t end = k;
        for (; end < code_.size() && code_.Punct(end) != ';'; ++end) {
            const char p = code_.Punct(end);
            if (p == '(' || p == '[' || p == '{') end = code_.Closing(end);
        }
        if (end >= code_.size()) return code_.size();
        const Initialized g = ReadGlobal(code_, k, end);
        if (g.name != npos && (CallsAFunction(g) || (g.isStatic && ReadsMoved(g)))) Move(g);
        return end + 1;
    }

    bool CallsAFunction(const Initialized& g) const {
        for (size_t i = g.equals + 1; i < g.semicolon; ++i) {
            if (!code_.IsIdent(i) || code_.Punct(i + 1) != '(' || code_.Punct(i - 1) == '.')
                continue;
            for (size_t f : outline_.Functions(code_.Text(i)))
                if (outline_.functions[f].body != npos) return true;
        }
        return false;
    }

    bool ReadsMoved(const Initialized& g) const {
        for (size_t i = g.equals + 1; i < g.semicolon; ++i)
            if (code_.IsIdent(i) && code_.Punct(i - 1) != '.' && moved_.count(code_.Text(i)) != 0)
                return true;
        return false;
    }

    // "static [const] T N = INIT;" -> "static T N; void fx_init_N_() { N = INIT; }";
    // a uniform's "= INIT" goes.
    void Move(const Initialized& g) {
        TokenStream& s = *state_.hlsl;
        edits_.Replace(code_.At(g.equals), code_.At(g.semicolon), {});
        if (!g.isStatic) return;
        for (size_t k = g.first; k < g.name; ++k)
            if (code_.Text(k) == "const") edits_.Replace(code_.At(k), code_.At(k) + 1, {});
        const std::string name(code_.Text(g.name));
        std::string init = "void fx_init_" + name + "_() { " + name + " =";
        const SourceToken& at = code_.Token(g.name);
        std::vector<SourceToken> made = s.MakeTokens(init, at);
        for (size_t k = g.equals + 1; k < g.semicolon; ++k) made.push_back(code_.Token(k));
        for (SourceToken t : s.MakeTokens("; }", at)) made.push_back(t);
        edits_.Replace(code_.At(g.semicolon) + 1, code_.At(g.semicolon) + 1, std::move(made));
        moved_.insert(code_.Text(g.name));
        order_.emplace_back(g.semicolon, name);
    }

    // Each entry point defined below a moved static calls its function first.
    void Calls() {
        if (order_.empty()) return;
        TokenStream& s = *state_.hlsl;
        std::unordered_set<size_t> done;
        for (const std::string& entry : state_.entries) {
            for (size_t f : outline_.Functions(entry)) {
                const FunctionOutline& fn = outline_.functions[f];
                if (fn.body == npos || !done.insert(f).second) continue;
                std::string calls;
                for (const auto& [declared, name] : order_)
                    if (declared < fn.returnType) calls += " fx_init_" + name + "_();";
                if (calls.empty()) continue;
                edits_.Replace(code_.At(fn.body) + 1, code_.At(fn.body) + 1,
                               s.MakeTokens(calls, code_.Token(fn.body)));
            }
        }
    }

    TokenRewriteState& state_;
    const Code& code_;
    const HlslOutline& outline_;
    TokenEdits edits_;
    std::unordered_map<size_t, size_t> functionAt_;  // declaration start -> its end
    std::unordered_set<std::string_view> moved_;
    std::vector<std::pair<size_t, std::string>> order_;  // (its ';', name)
};

}  // namespace

bool MoveInitializerCalls(TokenRewriteState& state) {
    // The walk steps over each function's body at once: it reads only the
    // global statements.
    if (state.outline().functions.empty()) return true;
    InitializerCalls calls(state);
    return calls.Run();
}

}  // namespace fx
