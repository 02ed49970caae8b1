// Stage 4: calls Direct3D 9 refuses (see 4_calls.h).
#include "platform/fx/4_rewrite/language/4_calls.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/made_names.h"

namespace fx {
namespace {

// The one definition of the name (npos when it has none or overloads).
size_t OnlyDefinition(const HlslOutline& outline, std::string_view name) {
    size_t found = npos;
    for (size_t f : outline.Functions(name)) {
        if (outline.functions[f].body == npos) continue;
        if (found != npos) return npos;
        found = f;
    }
    return found;
}

// How many arguments a call of fn must give: its parameters before the
// first that has a default value.
size_t RequiredArguments(const Code& code, const FunctionOutline& fn) {
    size_t n = 0;
    for (const auto& [first, last] : ListItems(code, fn.open, fn.close)) {
        for (size_t k = first; k < last; ++k)
            if (code.Punct(k) == '=') return n;
        ++n;
    }
    return n;
}

bool Defined(const HlslOutline& outline, const std::vector<size_t>& named) {
    for (size_t f : named)
        if (outline.functions[f].body != npos) return true;
    return false;
}

class CallWalk {
public:
    CallWalk(const Code& code, const HlslOutline& outline, MessageSink& messages)
        : code_(code), messages_(messages),
          state_(outline.functions.size(), 0), calls_(outline.functions.size()),
          mayCall_(outline.functions.size()) {
        for (size_t f = 0; f < outline.functions.size(); ++f) {
            const FunctionOutline& fn = outline.functions[f];
            if (fn.body == npos) continue;
            for (size_t i = fn.body; i < fn.end; ++i) {
                if (!code.IsIdent(i) || code.Punct(i + 1) != '(' || code.Punct(i - 1) == '.')
                    continue;
                // A call with more arguments than the function takes, or
                // fewer than it needs, is an intrinsic's of the same name
                // ("max(v)" calling "max(a, b)", "max(a, b)" in
                // "max(a, b, c)").
                const size_t arguments = ListItems(code, i + 1, code.Closing(i + 1)).size();
                const std::vector<size_t>& named = outline.Functions(code.Text(i));
                const size_t callee = OnlyDefinition(outline, code.Text(i));
                if (OnlyDeclaredWith(outline, named, arguments)) {
                    // "float f(float x);" beside "float f(float x, float y) { ... }"
                    calls_[f].emplace_back(i, npos);
                } else if (callee != npos && arguments <= outline.functions[callee].params.size() &&
                           arguments >= RequiredArguments(code, outline.functions[callee])) {
                    calls_[f].emplace_back(i, callee);
                } else if (!named.empty() && !Defined(outline, named) &&
                           arguments <= outline.functions[named[0]].params.size()) {
                    calls_[f].emplace_back(i, npos);
                } else {
                    // An overloaded name: the call may reach any definition
                    // that takes that many arguments.
                    for (size_t g : named) {
                        const FunctionOutline& fn = outline.functions[g];
                        if (fn.body != npos && arguments <= fn.params.size() &&
                            arguments >= RequiredArguments(code, fn))
                            mayCall_[f].push_back(g);
                    }
                }
            }
        }
    }

    // Some of the functions of a name are defined, but of those that take
    // exactly `arguments`, only declarations.
    static bool OnlyDeclaredWith(const HlslOutline& outline, const std::vector<size_t>& named,
                                 size_t arguments) {
        bool declared = false;
        for (size_t n : named) {
            const FunctionOutline& fn = outline.functions[n];
            if (fn.params.size() != arguments) continue;
            if (fn.body != npos) return false;
            declared = true;
        }
        return declared;
    }

    // Depth first from f; a call back into a function still being walked
    // closes a circle.
    void From(size_t f, int depth = 0) {
        if (state_[f] != 0 || depth > 256) return;
        state_[f] = 1;
        for (const auto& call : calls_[f]) {
            if (call.second == npos) {
                found_ = true;
                messages_.Add(ErrorAt(code_.Pos(call.first),
                                      Cat({"'", UserName(call.first),
                                           "': a function declared but never defined"})));
                continue;
            }
            if (state_[call.second] == 1) {
                found_ = true;
                messages_.Add(ErrorAt(code_.Pos(call.first),
                                      Cat({"'", UserName(call.first),
                                           "': a recursive call (shaders cannot recurse)"})));
            }
            From(call.second, depth + 1);
        }
        state_[f] = 2;
    }

    bool found() const { return found_; }

    // Marks what the entry point at f may reach, a call of an overloaded
    // name reaching each of its definitions (after From, which followed
    // only the calls whose function is known).
    void MayReach(size_t f) {
        if (reachable_.empty()) reachable_.assign(state_.size(), 0);
        if (reachable_[f]) return;
        reachable_[f] = 1;
        Reach(f, reachable_, 0);
    }

    // The functions no entry point may reach (after MayReach) that take part
    // in a circle of calls or call into one; empty when there is none,
    // which a walk over what is left tells at once in the common case.
    std::vector<size_t> UnreachedRecursion() const {
        auto unreached = [&](size_t f) { return reachable_.empty() || !reachable_[f]; };
        std::vector<int> seen(state_.size(), 0);
        bool circle = false;
        for (size_t f = 0; f < state_.size() && !circle; ++f)
            if (unreached(f)) circle = Circle(f, seen, 0);
        std::vector<size_t> out;
        if (!circle) return out;
        // f is on a circle when a walk from its callees comes back to it;
        // a function is dropped when it reaches any such one.
        std::vector<char> onCircle(state_.size(), 0);
        for (size_t f = 0; f < state_.size(); ++f) {
            if (!unreached(f)) continue;
            std::vector<char> reached(state_.size(), 0);
            Reach(f, reached, 0);
            onCircle[f] = reached[f];
        }
        for (size_t f = 0; f < state_.size(); ++f) {
            if (!unreached(f)) continue;
            std::vector<char> reached(state_.size(), 0);
            reached[f] = 1;
            Reach(f, reached, 0);
            for (size_t g = 0; g < reached.size(); ++g) {
                if (reached[g] && onCircle[g]) {
                    out.push_back(f);
                    break;
                }
            }
        }
        return out;
    }

private:
    bool Circle(size_t f, std::vector<int>& seen, int depth) const {
        if (seen[f] == 2 || depth > 256) return false;
        if (seen[f] == 1) return true;
        seen[f] = 1;
        for (const auto& call : calls_[f])
            if (call.second != npos && Circle(call.second, seen, depth + 1)) return true;
        for (size_t g : mayCall_[f])
            if (Circle(g, seen, depth + 1)) return true;
        seen[f] = 2;
        return false;
    }

    void Reach(size_t f, std::vector<char>& reached, int depth) const {
        if (depth > 256) return;
        auto next = [&](size_t g) {
            if (g == npos || reached[g]) return;
            reached[g] = 1;
            Reach(g, reached, depth + 1);
        };
        for (const auto& call : calls_[f]) next(call.second);
        for (size_t g : mayCall_[f]) next(g);
    }

    // The called name as the user wrote it.
    std::string UserName(size_t at) const {
        std::string name(code_.Text(at));
        SayUserNames(&name);
        return name;
    }

    const Code& code_;
    MessageSink& messages_;
    std::vector<int> state_;  // 0 not met, 1 being walked, 2 done
    // By function: each call's token and its callee (npos: never defined).
    std::vector<std::vector<std::pair<size_t, size_t>>> calls_;
    // By function: the definitions its calls of overloaded names may reach.
    std::vector<std::vector<size_t>> mayCall_;
    std::vector<char> reachable_;  // after MayReach: what an entry point may reach
    bool found_ = false;
};

// Direct3D 9 compiles only what an entry point reaches, so a recursive
// function nothing calls is no error; glslang refuses every circle of calls
// in the text, so such functions leave it. Kept when anything outside them
// names one (a static's initial value calling it).
void DropUnreachedRecursion(TokenRewriteState& state, const std::vector<size_t>& dropped) {
    if (dropped.empty()) return;
    const Code& code = state.code();
    const HlslOutline& outline = state.outline();
    std::vector<std::pair<size_t, size_t>> spans;  // code tokens [first, last]
    std::vector<std::string_view> names;
    for (size_t f : dropped) {
        const FunctionOutline& fn = outline.functions[f];
        spans.emplace_back(DeclarationStart(code, fn), fn.end);
        names.push_back(code.Text(fn.name));
    }
    std::sort(spans.begin(), spans.end());
    size_t span = 0;
    for (size_t i = 0; i < code.size(); ++i) {
        while (span < spans.size() && spans[span].second < i) ++span;
        if (span < spans.size() && spans[span].first <= i) {
            i = spans[span].second;
            continue;
        }
        if (code.IsIdent(i) && code.Punct(i + 1) == '(' &&
            std::find(names.begin(), names.end(), code.Text(i)) != names.end() &&
            outline.Functions(code.Text(i)).size() > 0) {
            // A prototype of a dropped function may stay; a call may not.
            bool prototype = false;
            for (size_t g : outline.Functions(code.Text(i)))
                prototype = prototype || (outline.functions[g].name == i && outline.functions[g].body == npos);
            if (!prototype) return;
        }
    }
    TokenEdits edits;
    for (const auto& [first, last] : spans) edits.Replace(code.At(first), code.At(last) + 1, {});
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
}

}  // namespace

bool CheckCalls(TokenRewriteState& state) {
    const HlslOutline& outline = state.outline();
    CallWalk walk(state.code(), outline, state.messages);
    for (const std::string& entry : state.entries) {
        const size_t f = OnlyDefinition(outline, entry);
        if (f != npos) walk.From(f);
    }
    if (walk.found()) return false;
    for (const std::string& entry : state.entries) {
        const size_t f = OnlyDefinition(outline, entry);
        if (f != npos) walk.MayReach(f);
    }
    DropUnreachedRecursion(state, walk.UnreachedRecursion());
    return true;
}

}  // namespace fx
