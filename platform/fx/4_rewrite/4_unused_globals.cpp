// Stage 4: global declarations no code uses are taken out of the text
// glslang compiles. Direct3D 9 gives a global no function reads no register
// and no cost; glslang would carry each one through SPIR-V, and stage 6
// through its passes, so that an effect of many thousand unused parameters
// took seconds and then failed. A global is kept when a function (reached
// or not: glslang compiles them all) or a kept declaration names it, when
// it has an explicit register (it reserves them though unread), and when
// its initial value is not known to be sound (glslang is to judge it).
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/fx/4_rewrite/4_unused_globals.h"

namespace fx {

namespace {

struct Declaration {
    size_t first = 0;  // code tokens [first, last], its ';' last
    size_t last = 0;
    std::vector<std::string_view> names;
    bool kept = false;
};

// One statement at global scope, from code token i to its ';' (or where
// the code ends or a function starts): the names it declares, and whether
// it can be a declaration of variables at all.
struct Statement {
    std::vector<std::string_view> names;
    bool plain = true;  // no struct, typedef, cbuffer or explicit register
    bool initialized = false;
    size_t last = 0;  // its ';', or where it stopped
};

Statement ReadStatement(const Code& code, const std::vector<bool>& inFunction, size_t i) {
    Statement s;
    std::string_view candidate;  // the last name before : = [ in this declarator
    bool nameDone = false;
    for (; i < code.size() && !inFunction[i] && code.Punct(i) != ';'; ++i) {
        const char p = code.Punct(i);
        if (code.IsIdent(i)) {
            std::string_view w = code.Text(i);
            // An explicit register reserves its registers though unread.
            if (w == "struct" || w == "typedef" || w == "cbuffer" || w == "tbuffer" ||
                w == "namespace" || w == "register" || w == "packoffset") {
                s.plain = false;
            }
            if (!nameDone) candidate = w;
        } else if (p == ':' || p == '=' || p == '[') {
            nameDone = true;
            s.initialized = s.initialized || p == '=';
        } else if (p == ',') {
            if (!candidate.empty()) s.names.push_back(candidate);
            candidate = {};
            nameDone = false;
        }
        if (p == '(' || p == '[' || p == '{') {
            if (code.Closing(i) >= code.size()) break;
            i = code.Closing(i);
        }
    }
    if (!candidate.empty()) s.names.push_back(candidate);
    s.last = i;
    return s;
}

// What the kept declarations name is used too (array sizes, statics'
// initial values), until nothing more is.
void KeepUsed(const Code& code, std::vector<std::string_view> used,
              std::vector<Declaration>& declarations,
              const std::unordered_map<std::string_view, std::vector<size_t>>& declaring) {
    std::unordered_set<std::string_view> seen;
    while (!used.empty()) {
        std::string_view name = used.back();
        used.pop_back();
        if (!seen.insert(name).second) continue;
        auto found = declaring.find(name);
        if (found == declaring.end()) continue;
        for (size_t index : found->second) {
            Declaration& d = declarations[index];
            if (d.kept) continue;
            d.kept = true;
            for (size_t t = d.first; t < d.last; ++t) {
                if (code.IsIdent(t)) used.push_back(code.Text(t));
            }
        }
    }
}

// The declarations not kept leave the text; the tokens after them keep
// their places. False when every one is kept.
bool Remove(TokenStream* hlsl, const Code& code, const std::vector<Declaration>& declarations) {
    std::vector<SourceToken> out;
    size_t next = 0;
    for (const Declaration& d : declarations) {
        if (d.kept) continue;
        if (out.capacity() == 0) out.reserve(hlsl->tokens.size());
        const size_t begin = code.At(d.first), end = code.At(d.last) + 1;
        out.insert(out.end(), hlsl->tokens.begin() + next, hlsl->tokens.begin() + begin);
        next = end;
        if (next < hlsl->tokens.size()) hlsl->tokens[next].flags &= ~kGlued;
    }
    if (next == 0) return false;
    out.insert(out.end(), hlsl->tokens.begin() + next, hlsl->tokens.end());
    hlsl->tokens = std::move(out);
    return true;
}

}  // namespace

bool DropUnusedGlobals(TokenStream* hlsl, const Code& code, const HlslOutline& outline,
                       const std::unordered_set<std::string_view>& constants,
                       const std::vector<std::string>& arguments) {
    // Functions are not declarations to drop; what they name is used.
    std::vector<bool> inFunction(code.size() + 1, false);
    std::vector<std::string_view> used(arguments.begin(), arguments.end());
    for (const FunctionOutline& f : outline.functions) {
        for (size_t i = f.returnType; i <= f.end && i < code.size(); ++i) {
            inFunction[i] = true;
            if (code.IsIdent(i)) used.push_back(code.Text(i));
        }
    }

    // The other statements at global scope: a declaration of variables is
    // "TYPE NAME ..., NAME ...;" without struct, typedef, cbuffer or an
    // explicit register in it.
    std::vector<Declaration> declarations;
    std::unordered_map<std::string_view, std::vector<size_t>> declaring;
    for (size_t i = 0; i < code.size();) {
        if (inFunction[i]) {
            ++i;
            continue;
        }
        const size_t first = i;
        Statement s = ReadStatement(code, inFunction, i);
        i = s.last;
        const bool ended = i < code.size() && code.Punct(i) == ';';
        const size_t last = i;
        if (ended) ++i;
        // Nothing between its tokens but code and strings (no #pragma).
        bool onlyCode = ended;
        for (size_t t = code.At(first); onlyCode && t < code.At(last); ++t) {
            onlyCode = hlsl->tokens[t].kind != Tok::Directive;
        }
        bool sound = !s.initialized;  // an initial value glslang need not see
        if (s.initialized) {
            sound = true;
            for (std::string_view name : s.names) sound = sound && constants.count(name) != 0;
        }
        if (!s.plain || !onlyCode || s.names.empty() || !sound) {
            for (size_t t = first; t < last && t < code.size(); ++t) {
                if (code.IsIdent(t)) used.push_back(code.Text(t));
            }
            if (i == first) ++i;
            continue;
        }
        Declaration d{first, last, std::move(s.names)};
        for (std::string_view name : d.names) declaring[name].push_back(declarations.size());
        declarations.push_back(std::move(d));
    }
    // Most effects give every global a register or a use: none to drop.
    if (declarations.empty()) return false;
    KeepUsed(code, std::move(used), declarations, declaring);
    return Remove(hlsl, code, declarations);
}

}  // namespace fx
