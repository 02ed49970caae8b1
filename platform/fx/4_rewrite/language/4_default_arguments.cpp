// Stage 4: parameters whose default value reads a uniform (see
// 4_default_arguments.h).
#include "platform/fx/4_rewrite/language/4_default_arguments.h"

#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

// A parameter's default value: code tokens [from, to) after its '=', and
// the '=' itself; npos when it has none.
struct Default {
    size_t equals = npos;
    size_t from = 0;
    size_t to = 0;
};

// The defaults of a function's parameters, one a parameter.
std::vector<Default> DefaultsOf(const Code& code, const FunctionOutline& f) {
    std::vector<Default> defaults;
    if (f.close <= f.open + 1) return defaults;
    size_t start = f.open + 1;
    for (size_t i = start; i <= f.close; ++i) {
        const char c = code.Punct(i);
        if (c == '(' || c == '[' || c == '{') {
            i = code.Closing(i);
            continue;
        }
        if (c != ',' && i != f.close) continue;
        Default d;
        for (size_t j = start; j < i && d.equals == npos; ++j) {
            if (code.Punct(j) == '(' || code.Punct(j) == '[') j = code.Closing(j);
            else if (code.Punct(j) == '=') d = {j, j + 1, i};
        }
        defaults.push_back(d);
        start = i + 1;
    }
    return defaults;
}

// Whether a default reads a global the program sets.
bool ReadsUniform(const Code& code, const HlslOutline& outline, const Default& d) {
    for (size_t j = d.from; j < d.to; ++j) {
        if (!code.IsIdent(j) || code.Punct(j + 1) == '(' || (j > 0 && code.Punct(j - 1) == '.'))
            continue;
        const NameType* declared = outline.Declared(code, j);
        if (declared != nullptr && declared->uniform) return true;
    }
    return false;
}

// The number of arguments of the call whose '(' is at open.
size_t ArgumentCount(const Code& code, size_t open) {
    const size_t close = code.Closing(open);
    if (close == open + 1) return 0;
    size_t count = 1;
    for (size_t i = open + 1; i < close; ++i) {
        const char c = code.Punct(i);
        if (c == '(' || c == '[' || c == '{') i = code.Closing(i);
        else if (c == ',') ++count;
    }
    return count;
}

}  // namespace

bool WriteDefaultArguments(TokenRewriteState& state) {
    const Code& code = state.code();
    const HlslOutline& outline = state.outline();
    TokenEdits edits;
    for (const auto& [name, indexes] : outline.functionsNamed) {
        // Its defaults, from the declaration that gives them.
        std::vector<Default> defaults;
        bool moved = false, sameCount = true;
        for (size_t index : indexes) {
            const FunctionOutline& f = outline.functions[index];
            sameCount = sameCount && f.params.size() == outline.functions[indexes[0]].params.size();
            std::vector<Default> these = DefaultsOf(code, f);
            for (const Default& d : these) {
                if (d.equals == npos) continue;
                if (ReadsUniform(code, outline, d)) moved = true;
                if (defaults.empty() || defaults[defaults.size() - 1].equals == npos) defaults = these;
            }
        }
        if (!moved || !sameCount || defaults.empty()) continue;

        // The declarations lose their defaults.
        std::unordered_set<size_t> declared;
        for (size_t index : indexes) {
            const FunctionOutline& f = outline.functions[index];
            declared.insert(f.name);
            for (const Default& d : DefaultsOf(code, f))
                if (d.equals != npos) edits.Replace(code.At(d.equals), code.At(d.to - 1) + 1, {});
        }
        // The calls get them.
        for (size_t i = 0; i + 1 < code.size(); ++i) {
            if (code.Punct(i + 1) != '(' || !code.IsIdent(i) || code.Text(i) != name ||
                declared.count(i) != 0 || (i > 0 && code.Punct(i - 1) == '.'))
                continue;
            size_t given = ArgumentCount(code, i + 1);
            if (given >= defaults.size()) continue;
            std::vector<SourceToken> added;
            for (size_t p = given; p < defaults.size(); ++p) {
                if (defaults[p].equals == npos) {
                    added.clear();
                    break;
                }
                if (p > 0) added.push_back(state.hlsl->Make(Tok::Punct, ",", code.Token(i + 1)));
                for (size_t j = defaults[p].from; j < defaults[p].to; ++j) added.push_back(code.Token(j));
            }
            if (added.empty()) continue;
            const size_t close = code.At(code.Closing(i + 1));
            edits.Replace(close, close, std::move(added));
        }
    }
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
