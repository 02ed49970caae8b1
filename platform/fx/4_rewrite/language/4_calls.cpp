// Stage 4: calls Direct3D 9 refuses (see 4_calls.h).
#include "platform/fx/4_rewrite/language/4_calls.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/made_names.h"

namespace fx {
namespace {

constexpr size_t npos = Declarator::npos;

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

bool Defined(const HlslOutline& outline, const std::vector<size_t>& named) {
    for (size_t f : named)
        if (outline.functions[f].body != npos) return true;
    return false;
}

class Walk {
public:
    Walk(const Code& code, const HlslOutline& outline, MessageSink& messages)
        : code_(code), messages_(messages),
          state_(outline.functions.size(), 0), calls_(outline.functions.size()) {
        for (size_t f = 0; f < outline.functions.size(); ++f) {
            const FunctionOutline& fn = outline.functions[f];
            if (fn.body == npos) continue;
            for (size_t i = fn.body; i < fn.end; ++i) {
                if (!code.IsIdent(i) || code.Punct(i + 1) != '(' || code.Punct(i - 1) == '.')
                    continue;
                // A call with more arguments than the function takes is
                // an intrinsic's of the same name ("max(v)" calling
                // "max(a, b)").
                const size_t arguments = ListItems(code, i + 1, code.Closing(i + 1)).size();
                const std::vector<size_t>& named = outline.Functions(code.Text(i));
                const size_t callee = OnlyDefinition(outline, code.Text(i));
                if (OnlyDeclaredWith(outline, named, arguments)) {
                    // "float f(float x);" beside "float f(float x, float y) { ... }"
                    calls_[f].emplace_back(i, npos);
                } else if (callee != npos && arguments <= outline.functions[callee].params.size()) {
                    calls_[f].emplace_back(i, callee);
                } else if (!named.empty() && !Defined(outline, named) &&
                           arguments <= outline.functions[named[0]].params.size()) {
                    calls_[f].emplace_back(i, npos);
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

private:
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
    bool found_ = false;
};

}  // namespace

bool CheckCalls(TokenRewriteState& state) {
    const HlslOutline& outline = state.outline();
    Walk walk(state.code(), outline, state.messages);
    for (const std::string& entry : state.entries) {
        const size_t f = OnlyDefinition(outline, entry);
        if (f != npos) walk.From(f);
    }
    return !walk.found();
}

}  // namespace fx
