// Stage 4: array sizes that name a non-static const global (see
// 4_constant_sizes.h).
#include "platform/fx/4_rewrite/4_constant_sizes.h"

#include <map>
#include <set>
#include <string_view>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

// Names an initializer may go through before the expansion gives up (a
// name defined by itself, or a long chain).
constexpr int kMaxConstantDepth = 8;

bool IsScalarType(std::string_view t) {
    return t == "int" || t == "uint" || t == "float" || t == "half" || t == "double" ||
           t == "bool" || t == "dword";
}

// Words that may stand before an expression's name and its index.
bool IsKeyword(std::string_view w) {
    return w == "return" || w == "case" || w == "else" || w == "do" || w == "sizeof";
}

class Sizes {
public:
    Sizes(const TokenStream& s, const Code& code) : s_(s), code_(code) {}

    void FindConstants() {
        int depth = 0;
        size_t statement = 0;
        for (size_t i = 0; i < code_.size(); ++i) {
            const char p = code_.Punct(i);
            if (p == '{') ++depth;
            if (p == '}') depth = depth > 0 ? depth - 1 : 0;
            if (p == '{' || p == '}' || (p == ';' && depth == 0)) {
                if (p == ';') Declaration(statement, i);
                statement = i + 1;
            }
        }
    }

    void Rewrite(TokenEdits* edits) {
        if (constants_.empty()) return;
        for (size_t i = 1; i < code_.size(); ++i) {
            if (code_.Punct(i) != '[' || !Sized(i)) continue;
            const size_t close = code_.Closing(i);
            for (size_t k = i + 1; k < close && k < code_.size(); ++k) {
                if (!code_.IsIdent(k) || constants_.count(code_.Text(k)) == 0) continue;
                if (code_.Punct(k - 1) == '.' || !Parameter(code_.Text(k))) continue;
                std::vector<SourceToken> out;
                Expand(code_.Text(k), code_.Token(k), 0, &out);
                if (!out.empty()) edits->Replace(code_.At(k), code_.At(k) + 1, std::move(out));
            }
        }
    }

private:
    // "const int N = 4;" at the top level: N and its initializer. A
    // static const is taken in too, for the const globals its initializer
    // may name ("static const int M = N * 2;").
    void Declaration(size_t first, size_t end) {
        bool isConst = false, isStatic = false;
        size_t j = first;
        for (; j < end && code_.IsIdent(j); ++j) {
            const std::string_view w = code_.Text(j);
            if (w == "extern" || w == "typedef") return;
            if (w == "const") isConst = true;
            else if (w == "static") isStatic = true;
            else if (w != "uniform" && w != "volatile" && w != "precise") break;
        }
        if (!isConst || j + 3 >= end || !IsScalarType(code_.Text(j))) return;
        if (!code_.IsIdent(j + 1) || code_.Punct(j + 2) != '=') return;
        for (size_t k = j + 3; k < end; ++k) {
            const char p = code_.Punct(k);
            if (p == ',' || p == '{' || p == '<' || p == ':') return;  // several, a list, ...
        }
        constants_[code_.Text(j + 1)] = {j + 3, end};
        if (isStatic) statics_.insert(code_.Text(j + 1));
    }

    // A const global that is not static is a parameter, glslang's constant
    // no more; a static const is one, unless its initializer names such a
    // parameter.
    bool Parameter(std::string_view name, int depth = 0) const {
        if (statics_.count(name) == 0) return true;
        const auto found = constants_.find(name);
        if (depth > kMaxConstantDepth || found == constants_.end()) return false;
        for (size_t k = found->second.first; k < found->second.second; ++k) {
            if (code_.IsIdent(k) && constants_.count(code_.Text(k)) != 0 &&
                code_.Punct(k - 1) != '.' && Parameter(code_.Text(k), depth + 1)) {
                return true;
            }
        }
        return false;
    }

    // The bracket at open holds a declaration's array size: "TYPE NAME[",
    // "TYPE NAME[2][", not an index.
    bool Sized(size_t open) const {
        size_t k = open;
        while (k > 0 && code_.Punct(k - 1) == ']') {
            size_t back = k - 1;  // its '['
            int depth = 0;
            for (;; --back) {
                if (code_.Punct(back) == ']') ++depth;
                if (code_.Punct(back) == '[' && --depth == 0) break;
                if (back == 0) return false;
            }
            k = back;
        }
        return k >= 2 && code_.IsIdent(k - 1) && code_.IsIdent(k - 2) &&
               !IsKeyword(code_.Text(k - 2));
    }

    void Expand(std::string_view name, const SourceToken& at, int depth,
                std::vector<SourceToken>* out) {
        const auto found = constants_.find(name);
        if (depth > kMaxConstantDepth) {
            out->clear();
            return;
        }
        out->push_back(s_.Make(Tok::Punct, "(", at));
        for (size_t k = found->second.first; k < found->second.second; ++k) {
            if (code_.IsIdent(k) && constants_.count(code_.Text(k)) != 0 &&
                code_.Punct(k - 1) != '.' && Parameter(code_.Text(k))) {
                Expand(code_.Text(k), at, depth + 1, out);
                if (out->empty()) return;
            } else {
                SourceToken t = code_.Token(k);
                t.line = at.line;
                t.column = at.column;
                t.file = at.file;
                t.flags = static_cast<uint8_t>(t.flags | kExpanded);
                out->push_back(t);
            }
        }
        out->push_back(s_.Make(Tok::Punct, ")", at));
    }

    const TokenStream& s_;
    const Code& code_;
    // name -> its initializer's code tokens [first, end)
    std::map<std::string_view, std::pair<size_t, size_t>> constants_;
    std::set<std::string_view> statics_;
};

}  // namespace

bool ConstantArraySizes(TokenRewriteState& state) {
    // Most files have no const global at all.
    const Code& code = state.code();
    bool any = false;
    for (size_t i = 0; i < code.size() && !any; ++i) any = code.Text(i) == "const";
    if (!any) return true;
    Sizes sizes(*state.hlsl, code);
    sizes.FindConstants();
    TokenEdits edits;
    sizes.Rewrite(&edits);
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
