// Stage 4: plain samplers given the kind of their reads (see
// 4_untyped_samplers.h).
#include "platform/fx/4_rewrite/intrinsics/4_untyped_samplers.h"

#include <map>
#include <string_view>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

// The kind a texture read's name asks of its sampler: "samplerCUBE",
// "sampler3D", "sampler2D" (tex1D and tex2D), empty for other words.
std::string_view KindOfRead(std::string_view w) {
    auto starts = [&](std::string_view p, std::initializer_list<std::string_view> tails) {
        if (w.substr(0, p.size()) != p) return false;
        const std::string_view tail = w.substr(p.size());
        for (std::string_view t : tails)
            if (tail == t) return true;
        return false;
    };
    if (starts("texCUBE", {"", "bias", "grad", "lod", "proj"})) return "samplerCUBE";
    if (starts("tex3D", {"", "bias", "grad", "lod", "proj"})) return "sampler3D";
    if (starts("tex2D", {"", "bias", "grad", "lod", "proj"}) ||
        starts("tex1D", {"", "bias", "grad", "lod", "proj"}))
        return "sampler2D";
    return {};
}

std::string_view KindOfType(std::string_view t) {
    if (t == "samplerCUBE") return "samplerCUBE";
    if (t == "sampler3D") return "sampler3D";
    if (t == "sampler2D" || t == "sampler1D") return "sampler2D";
    return {};
}

struct UntypedSamplers {
    const Code& code;
    const HlslOutline& outline;
    // By the type token of each plain `sampler` declaration: the kind its
    // uses ask for, "" while none has, "?" once two disagree.
    std::map<size_t, std::string_view> kinds;

    // The plain sampler's declaration (its type token) the name at i
    // means; npos for any other name.
    size_t PlainSampler(size_t i) const {
        if (!code.IsIdent(i) || (i > 0 && code.Punct(i - 1) == '.')) return Declarator::npos;
        const NameType* d = outline.Declared(code, i);
        if (d == nullptr || d->type == Declarator::npos || code.Text(d->type) != "sampler")
            return Declarator::npos;
        return d->type;
    }
    // The kind known so far of a declaration's type token.
    std::string_view KindOfParam(size_t type) const {
        if (code.Text(type) != "sampler") return KindOfType(code.Text(type));
        auto k = kinds.find(type);
        return k == kinds.end() || k->second == "?" ? std::string_view{} : k->second;
    }
    // Whether the argument [first, last) is a name alone or an element of
    // one ("S", "S[1]"); its name's token then.
    size_t NameArgument(size_t first, size_t last) const {
        if (first + 1 == last) return first;
        if (first + 1 < last && code.Punct(first + 1) == '[' && code.Closing(first + 1) + 1 == last)
            return first;
        return Declarator::npos;
    }
    bool Ask(size_t type, std::string_view kind) {
        if (kind.empty()) return false;
        std::string_view& k = kinds[type];
        if (k == kind || k == "?") return false;
        k = k.empty() ? kind : "?";
        return true;
    }
    // The declaration "TYPE NAME = VALUE" at the name i, VALUE a sampler's
    // name (or element): each side takes the other's kind.
    bool Initializer(size_t i) {
        if (code.Punct(i + 1) != '=' || code.Punct(i + 2) == '=') return false;
        const NameType* d = outline.Declared(code, i);
        if (d == nullptr || d->name != i || d->type == Declarator::npos) return false;
        size_t end = i + 3;
        if (code.Punct(end) == '[') end = code.Closing(end) + 1;
        if (code.Punct(end) != ';' && code.Punct(end) != ',') return false;
        const size_t value = NameArgument(i + 2, end);
        if (value == Declarator::npos) return false;
        const NameType* v = outline.Declared(code, value);
        if (v == nullptr || v->type == Declarator::npos) return false;
        bool learnt = false;
        if (code.Text(d->type) == "sampler") learnt |= Ask(d->type, KindOfParam(v->type));
        if (code.Text(v->type) == "sampler") learnt |= Ask(v->type, KindOfParam(d->type));
        return learnt;
    }
    // One walk over the code; true when a kind was learnt.
    bool Walk() {
        bool learnt = false;
        for (size_t i = 0; i + 1 < code.size(); ++i) {
            if (code.IsIdent(i) && code.Punct(i + 1) == '=') {
                learnt |= Initializer(i);
                continue;
            }
            if (!code.IsIdent(i) || code.Punct(i + 1) != '(' || (i > 0 && code.Punct(i - 1) == '.'))
                continue;
            const std::vector<size_t> cuts = CallCuts(code, i + 1);
            if (cuts.empty()) continue;
            const std::string_view word = code.Text(i);
            const std::string_view read = KindOfRead(word);
            if (!read.empty()) {
                const size_t name = NameArgument(cuts[0] + 1, cuts[1]);
                if (name != Declarator::npos) {
                    const size_t type = PlainSampler(name);
                    if (type != Declarator::npos) learnt |= Ask(type, read);
                }
                continue;
            }
            const auto& named = outline.Functions(word);
            for (size_t a = 0; a + 1 < cuts.size(); ++a) {
                const size_t name = NameArgument(cuts[a] + 1, cuts[a + 1]);
                if (name == Declarator::npos) continue;
                const size_t type = PlainSampler(name);
                if (type == Declarator::npos) continue;
                for (size_t f : named) {
                    const FunctionOutline& fn = outline.functions[f];
                    if (a >= fn.params.size() || fn.params[a].type == Declarator::npos) continue;
                    learnt |= Ask(type, KindOfParam(fn.params[a].type));
                }
            }
        }
        return learnt;
    }
};

}  // namespace

bool TypeUntypedSamplers(TokenRewriteState& state) {
    const Code& code = state.code();
    bool any = false;
    for (std::string_view w : code.Words()) any |= w == "sampler";
    if (!any) return true;
    UntypedSamplers u{code, state.outline(), {}};
    // Each round learns at least one kind, or ends: a chain of calls
    // passing a sampler on is learnt a link a round at most.
    for (size_t round = 0; round <= code.size() && u.Walk(); ++round) {
    }
    TokenEdits edits;
    TokenStream& s = *state.hlsl;
    for (const auto& [type, kind] : u.kinds) {
        if (kind.empty() || kind == "?" || kind == "sampler2D") continue;
        edits.list.push_back({code.At(type), code.At(type) + 1, {s.Make(Tok::Ident, kind, code.Token(type))}});
    }
    if (edits.list.empty()) return true;
    edits.Apply(&s.tokens);
    state.Edited();
    return true;
}

}  // namespace fx
