// Stage 4: overloads that differ only by half, float or double (see
// 4_precision_overloads.h).
#include "platform/fx/4_rewrite/language/4_precision_overloads.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

// "half3" -> "half", "double" -> "double", "float2x2" -> "float"; empty for
// other names.
std::string_view Precision(std::string_view type) {
    for (std::string_view p : {"half", "float", "double"})
        if (type.substr(0, p.size()) == p && ShapeOf(type).rows > 0) return p;
    return {};
}

// One overload: its parameters' precisions, and its signature as written
// and with every precision float.
struct Overload {
    size_t function = 0;
    std::vector<std::string_view> precisions;
    std::string written;
    std::string floats;
};

Overload ReadOverload(const Code& code, const HlslOutline& outline, size_t n) {
    Overload o;
    o.function = n;
    for (const Declarator& d : outline.functions[n].params) {
        if (d.type == npos) continue;
        const std::string_view type = code.Text(d.type);
        const std::string_view p = Precision(type);
        o.precisions.push_back(p);
        std::string size;
        if (d.arrayOpen != npos)
            for (size_t k = d.arrayOpen; k <= code.Closing(d.arrayOpen) && k < code.size(); ++k)
                size += code.Text(k);
        o.written += std::string(type) + size + ",";
        o.floats += (p.empty() ? std::string(type) : "float" + std::string(type.substr(p.size()))) +
                    size + ",";
    }
    return o;
}

// The precision of an argument as its declared type tells it: a name (with
// its members and indices), a literal, a cast or a constructor; empty when
// that cannot be told (then float is taken).
std::string_view ArgumentPrecision(const Code& code, const HlslOutline& outline, size_t first,
                                   size_t last) {
    while (last > first + 2 && code.Punct(first) == '(' && code.Closing(first) == last - 1) {
        ++first;
        --last;
    }
    if (first >= last) return {};
    if (code.Token(first).kind == Tok::Number && last == first + 1) {
        const std::string_view n = code.Text(first);
        const bool hex = n.size() > 1 && (n[1] == 'x' || n[1] == 'X');
        if (hex || n.find_first_of(".eE") == std::string_view::npos) return {};
        if (n.back() == 'h' || n.back() == 'H') return "half";
        if (n.back() == 'l' || n.back() == 'L') return "double";
        return "float";
    }
    if (code.Punct(first) == '(' && code.IsIdent(first + 1) && code.Punct(first + 2) == ')')
        return Precision(outline.Underlying(code.Text(first + 1)));
    if (!code.IsIdent(first)) return {};
    if (code.Punct(first + 1) == '(') {
        if (PastAccessors(code, code.Closing(first + 1) + 1) != last) return {};
        return Precision(outline.Underlying(code.Text(first)));
    }
    if (PastAccessors(code, first + 1) != last) return {};
    // The last declaration of the name before the call in the function it
    // is in, or one of its parameters; else a name of the file declared
    // with one type.
    size_t declared = npos;
    for (const FunctionOutline& f : outline.functions) {
        if (f.body == npos || first < f.body || first > f.end) continue;
        for (const Declarator& d : f.params)
            if (d.name != npos && d.type != npos && code.Text(d.name) == code.Text(first))
                declared = d.type;
        for (size_t k = f.body + 1; k < first; ++k) {
            const char next = code.Punct(k + 1);
            if (code.IsIdent(k) && code.IsIdent(k - 1) && code.Text(k) == code.Text(first) &&
                (next == '=' || next == ';' || next == ',' || next == '['))
                declared = k - 1;
        }
    }
    auto it = outline.names.find(code.Text(first));
    if (declared == npos && it != outline.names.end()) declared = it->second.type;
    if (declared == npos) return {};
    // Through the members of structs ("s.inner.h"); a swizzle or an index
    // keeps the precision.
    std::string_view type = outline.Underlying(code.Text(declared));
    for (size_t k = first + 1; k < last; ++k) {
        if (code.Punct(k) == '[') {
            k = code.Closing(k);
            continue;
        }
        const StructOutline* st = outline.FindStruct(code, type);
        if (code.Punct(k) != '.' || st == nullptr) continue;
        type = {};
        for (const Declarator& m : st->members)
            if (m.name != npos && m.type != npos && code.Text(m.name) == code.Text(k + 1))
                type = outline.Underlying(code.Text(m.type));
        if (type.empty()) return {};
    }
    return Precision(type);
}

class Separate {
public:
    Separate(TokenRewriteState& state, const Code& code, const HlslOutline& outline)
        : state_(state), code_(code), outline_(outline) {}

    // The functions of one name: the groups whose signatures differ only by
    // precision get their names.
    void Name(std::string_view name) {
        std::map<std::string, std::vector<Overload>> byFloats;
        for (size_t n : outline_.Functions(name)) {
            Overload o = ReadOverload(code_, outline_, n);
            byFloats[o.floats].push_back(std::move(o));
        }
        for (auto& [floats, overloads] : byFloats) {
            std::map<std::string, std::string> names;  // written -> name
            std::string keep;
            int mostFloats = -1;
            for (const Overload& o : overloads) {
                int count = 0;
                for (std::string_view p : o.precisions) count += p == "float" ? 1 : 0;
                if (count > mostFloats) {
                    mostFloats = count;
                    keep = o.written;
                }
                names[o.written];
            }
            if (names.size() < 2) continue;
            for (auto& [written, given] : names)
                given = written == keep ? std::string(name)
                                        : "fx_prec_" + std::string(name) + "_" +
                                              std::to_string(++made_) + "_";
            Group g;
            for (const Overload& o : overloads) {
                Rename(outline_.functions[o.function].name, names[o.written]);
                bool seen = false;
                for (const Variant& v : g.variants) seen = seen || v.name == names[o.written];
                if (!seen) g.variants.push_back({names[o.written], o.precisions});
            }
            g.parameters = overloads.front().precisions.size();
            g.widths = Widths(overloads.front().function);
            groups_[std::string(name)].push_back(std::move(g));
        }
    }

    // Each call of a name with such groups: to the variant its arguments
    // match most.
    void Calls() {
        for (size_t i = 0; i + 1 < code_.size(); ++i) {
            if (!code_.IsIdent(i) || code_.Punct(i + 1) != '(' || (i > 0 && code_.Punct(i - 1) == '.'))
                continue;
            auto it = groups_.find(std::string(code_.Text(i)));
            if (it == groups_.end() || definitions_.count(i)) continue;
            const size_t close = code_.Closing(i + 1);
            std::vector<std::pair<size_t, size_t>> args = ListItems(code_, i + 1, close);
            if (args.size() == 1 && args[0].first == args[0].second) args.clear();
            const Group* group = nullptr;
            int fitting = 0;  // two groups the call may mean: left to glslang
            for (const Group& g : it->second) {
                if (g.parameters != args.size() || !WidthsFit(g, args)) continue;
                ++fitting;
                group = &g;
            }
            if (fitting != 1) continue;
            std::vector<std::string_view> given;
            for (const auto& [first, last] : args)
                given.push_back(ArgumentPrecision(code_, outline_, first, last));
            const Variant* best = nullptr;
            int bestScore = -1;
            for (const Variant& v : group->variants) {
                int score = 0;
                for (size_t a = 0; a < given.size(); ++a)
                    score += v.precisions[a] == (given[a].empty() ? "float" : given[a]) ? 2 : 0;
                score += v.name == code_.Text(i) ? 1 : 0;  // a tie goes to the float one
                if (score > bestScore) {
                    bestScore = score;
                    best = &v;
                }
            }
            if (best != nullptr && best->name != code_.Text(i)) Rename(i, best->name);
        }
    }

    TokenEdits edits;

private:
    struct Variant {
        std::string name;
        std::vector<std::string_view> precisions;
    };
    struct Group {
        std::vector<Variant> variants;
        size_t parameters = 0;
        std::vector<int> widths;  // components of each parameter
    };

    void Rename(size_t at, const std::string& name) {
        definitions_[at] = true;
        if (name == code_.Text(at)) return;
        edits.Replace(code_.At(at), code_.At(at) + 1,
                      {state_.hlsl->Make(Tok::Ident, name, code_.Token(at))});
    }

    std::vector<int> Widths(size_t function) const {
        std::vector<int> out;
        for (const Declarator& d : outline_.functions[function].params)
            if (d.type != npos) out.push_back(Components(code_.Text(d.type)));
        return out;
    }
    // Arguments whose components can be told have the group's.
    bool WidthsFit(const Group& g, const std::vector<std::pair<size_t, size_t>>& args) const {
        for (size_t a = 0; a < args.size() && a < g.widths.size(); ++a) {
            const int n = ExpressionComponents(code_, outline_, args[a].first, args[a].second);
            if (n != 0 && g.widths[a] != 0 && n != g.widths[a] && n != 1) return false;
        }
        return true;
    }

    TokenRewriteState& state_;
    const Code& code_;
    const HlslOutline& outline_;
    std::map<std::string, std::vector<Group>> groups_;
    std::map<size_t, bool> definitions_;  // function names renamed (or kept)
    int made_ = 0;
};

}  // namespace

bool SeparatePrecisionOverloads(TokenRewriteState& state) {
    const Code& code = state.code();
    // Most effects name no half or double type; then no two overloads differ
    // by precision.
    bool precisions = false;
    for (std::string_view word : code.Words())
        precisions = precisions || word.substr(0, 4) == "half" || word.substr(0, 6) == "double";
    if (!precisions) return true;
    const HlslOutline& outline = state.outline();
    bool any = false;
    for (const auto& [name, functions] : outline.functionsNamed) any = any || functions.size() > 1;
    if (!any) return true;
    Separate separate(state, code, outline);
    for (const auto& [name, functions] : outline.functionsNamed) {
        const std::string_view n = name;  // (lambdas cannot capture a binding in clang 14)
        if (functions.size() < 2) continue;
        bool entry = false;
        for (const std::string& e : state.entries) entry = entry || e == n;
        if (!entry) separate.Name(n);
    }
    separate.Calls();
    if (separate.edits.list.empty()) return true;
    separate.edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
