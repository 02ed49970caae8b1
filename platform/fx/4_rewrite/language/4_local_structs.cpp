// Stage 4: structs declared in a function's body (see 4_local_structs.h).
#include "platform/fx/4_rewrite/language/4_local_structs.h"

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

// "struct NAME {" at code token i.
bool StructAt(const Code& code, size_t i) {
    return code.IsIdent(i) && code.Text(i) == "struct" && code.IsIdent(i + 1) &&
           code.Punct(i + 2) == '{';
}

// One function's local structs: the declarations move before it, and the
// names it renames follow in its code after each declaration.
void HoistFrom(TokenRewriteState& state, const FunctionOutline& f, std::set<std::string>* taken,
               int* made, TokenEdits* edits) {
    const Code& code = state.code();
    std::vector<std::pair<size_t, size_t>> found;  // "struct" .. '}'
    for (size_t i = f.body + 1; i + 2 < f.end; ++i) {
        if (!StructAt(code, i)) continue;
        const size_t close = code.Closing(i + 2);
        if (close >= f.end) return;
        found.emplace_back(i, close);
        i = close;
    }
    if (found.empty()) return;
    std::map<std::string, std::string, std::less<>> renamed;
    std::vector<SourceToken> moved;
    size_t next = 0;  // the next declaration to move
    for (size_t k = f.body + 1; k < f.end; ++k) {
        if (next < found.size() && k == found[next].first) {
            const auto [first, close] = found[next++];
            std::string name(code.Text(first + 1));
            if (!taken->insert(name).second) {
                const std::string unique = "fx_local_" + name + "_" + std::to_string(++*made) + "_";
                taken->insert(unique);
                renamed[name] = unique;
            }
            for (size_t t = first; t <= close; ++t) {
                SourceToken token = state.hlsl->tokens[code.At(t)];
                auto it = code.IsIdent(t) && code.Punct(t - 1) != '.' ? renamed.find(code.Text(t))
                                                                      : renamed.end();
                if (it != renamed.end()) token = state.hlsl->Make(Tok::Ident, it->second, token);
                moved.push_back(token);
            }
            moved.push_back(state.hlsl->Make(Tok::Punct, ";", code.Token(close)));
            // "struct S { ... };" goes; "struct S { ... } s;" leaves "S s;".
            if (code.Punct(close + 1) == ';') {
                edits->Replace(code.At(first), code.At(close + 1) + 1, {});
            } else {
                auto it = renamed.find(code.Text(first + 1));
                const std::string kept = it != renamed.end() ? it->second : std::string(code.Text(first + 1));
                edits->Replace(code.At(first), code.At(close) + 1,
                               {state.hlsl->Make(Tok::Ident, kept, code.Token(first + 1))});
            }
            k = close;
            continue;
        }
        if (!code.IsIdent(k) || code.Punct(k - 1) == '.') continue;
        auto it = renamed.find(code.Text(k));
        if (it != renamed.end())
            edits->Replace(code.At(k), code.At(k) + 1,
                           {state.hlsl->Make(Tok::Ident, it->second, code.Token(k))});
    }
    const size_t start = code.At(DeclarationStart(code, f));
    edits->Replace(start, start, std::move(moved));
}

}  // namespace

bool HoistLocalStructs(TokenRewriteState& state) {
    const Code& code = state.code();
    // Most effects declare no struct in a function: then nothing to read.
    // A struct in a function's body stands inside an open bracket (paired
    // as Code pairs them: a closing one closes the innermost open one); one
    // outside every bracket is global, and the outline need not be built.
    bool any = false;
    size_t open = 0;
    for (size_t i = 0; i < code.size() && !any; ++i) {
        const char p = code.Punct(i);
        if (p == '(' || p == '[' || p == '{') ++open;
        if ((p == ')' || p == ']' || p == '}') && open > 0) --open;
        any = open > 0 && StructAt(code, i);
    }
    if (!any) return true;
    const HlslOutline& outline = state.outline();
    std::set<std::string> taken;
    for (const StructOutline& st : outline.structs) taken.emplace(code.Text(st.name));
    int made = 0;
    TokenEdits edits;
    for (const FunctionOutline& f : outline.functions)
        if (f.body != Declarator::npos) HoistFrom(state, f, &taken, &made, &edits);
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
