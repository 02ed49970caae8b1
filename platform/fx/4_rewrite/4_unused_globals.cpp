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

}  // namespace

void DropUnusedGlobals(TokenStream* hlsl, const Code& code, const HlslOutline& outline,
                       const std::unordered_set<std::string_view>& constants) {
    // Functions are not declarations to drop; what they name is used.
    std::vector<bool> inFunction(code.size() + 1, false);
    std::vector<std::string_view> used;
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
        bool plain = true;
        std::vector<std::string_view> names;
        std::string_view candidate;  // the last name before : = [ in this declarator
        bool nameDone = false;
        bool initialized = false;
        for (; i < code.size() && !inFunction[i] && code.Punct(i) != ';'; ++i) {
            const char p = code.Punct(i);
            if (code.IsIdent(i)) {
                std::string_view w = code.Text(i);
                // An explicit register reserves its registers though unread.
                if (w == "struct" || w == "typedef" || w == "cbuffer" || w == "tbuffer" ||
                    w == "namespace" || w == "register" || w == "packoffset") {
                    plain = false;
                }
                if (!nameDone) candidate = w;
            } else if (p == ':' || p == '=' || p == '[') {
                nameDone = true;
                initialized = initialized || p == '=';
            } else if (p == ',') {
                if (!candidate.empty()) names.push_back(candidate);
                candidate = {};
                nameDone = false;
            }
            if (p == '(' || p == '[' || p == '{') {
                if (code.Closing(i) >= code.size()) break;
                i = code.Closing(i);
            }
        }
        if (!candidate.empty()) names.push_back(candidate);
        const bool ended = i < code.size() && code.Punct(i) == ';';
        const size_t last = i;
        if (ended) ++i;
        // Nothing between its tokens but code and strings (no #pragma).
        bool onlyCode = ended;
        for (size_t t = code.At(first); onlyCode && t < code.At(last); ++t) {
            onlyCode = hlsl->tokens[t].kind != Tok::Directive;
        }
        bool sound = !initialized;  // an initial value glslang need not see
        if (initialized) {
            sound = true;
            for (std::string_view name : names) sound = sound && constants.count(name) != 0;
        }
        if (!plain || !onlyCode || names.empty() || !sound) {
            for (size_t t = first; t < last && t < code.size(); ++t) {
                if (code.IsIdent(t)) used.push_back(code.Text(t));
            }
            if (i == first) ++i;
            continue;
        }
        Declaration d{first, last, std::move(names)};
        for (std::string_view name : d.names) declaring[name].push_back(declarations.size());
        declarations.push_back(std::move(d));
    }

    // What the kept declarations name is used too (array sizes, statics'
    // initial values), until nothing more is.
    std::unordered_set<std::string_view> seen;
    auto keep = [&](Declaration& d) {
        d.kept = true;
        for (size_t t = d.first; t < d.last; ++t) {
            if (code.IsIdent(t)) used.push_back(code.Text(t));
        }
    };
    while (!used.empty()) {
        std::string_view name = used.back();
        used.pop_back();
        if (!seen.insert(name).second) continue;
        auto found = declaring.find(name);
        if (found == declaring.end()) continue;
        for (size_t index : found->second) {
            if (!declarations[index].kept) keep(declarations[index]);
        }
    }

    // The rest leave the text; the tokens after them keep their places.
    std::vector<SourceToken> out;
    out.reserve(hlsl->tokens.size());
    size_t next = 0;
    for (const Declaration& d : declarations) {
        if (d.kept) continue;
        const size_t begin = code.At(d.first), end = code.At(d.last) + 1;
        out.insert(out.end(), hlsl->tokens.begin() + next, hlsl->tokens.begin() + begin);
        next = end;
        if (next < hlsl->tokens.size()) hlsl->tokens[next].flags &= ~kGlued;
    }
    if (next == 0) return;
    out.insert(out.end(), hlsl->tokens.begin() + next, hlsl->tokens.end());
    hlsl->tokens = std::move(out);
}

}  // namespace fx
