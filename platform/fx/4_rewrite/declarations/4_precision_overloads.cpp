// Stage 4: overloads that differ by half, float or double (see
// 4_precision_overloads.h).
#include "platform/fx/4_rewrite/declarations/4_precision_overloads.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

// The shape after a type's base: "", "3" or "2x3".
bool IsShape(std::string_view s) {
    auto side = [](char c) { return c >= '1' && c <= '4'; };
    return s.empty() || (s.size() == 1 && side(s[0])) ||
           (s.size() == 3 && side(s[0]) && s[1] == 'x' && side(s[2]));
}

constexpr std::string_view kBases[] = {"min16float", "min10float", "half", "double", "float"};

// 'h', 'd' or 'f' for a type of half, double or float components; 0 for
// any other type.
char Precision(std::string_view type) {
    for (std::string_view base : kBases)
        if (type.starts_with(base) && IsShape(type.substr(base.size())))
            return base == "double" ? 'd' : base == "float" ? 'f' : 'h';
    return 0;
}

// The type with its precision left out ("half3" -> "3", "S" -> "S").
std::string_view Shape(std::string_view type) {
    for (std::string_view base : kBases)
        if (type.starts_with(base) && IsShape(type.substr(base.size())))
            return type.substr(base.size());
    return type;
}

struct Overload {
    size_t function = 0;  // index into the outline's functions
    std::string key;      // a precision per parameter ('o' for other types)
    std::string shapes;   // what the parameters are without precisions
};

struct State {
    TokenRewriteState& s;
    const Code& code;
    const HlslOutline& outline;
    TokenEdits edits;

    Overload Read(size_t f) const {
        Overload o;
        o.function = f;
        for (const Declarator& p : outline.functions[f].params) {
            if (p.type == Declarator::npos) continue;
            const std::string_view type = code.Text(p.type);
            const char precision = Precision(type);
            o.key += precision == 0 ? 'o' : precision;
            o.shapes += Cat({Shape(type), p.arrayOpen != Declarator::npos ? "[]" : "", ",",
                             p.out ? "out," : ""});
        }
        return o;
    }

    // The precision an argument in code tokens [first, last) has; 'f' when
    // nothing tells.
    char ArgumentPrecision(size_t first, size_t last) const {
        size_t k = first;
        while (k < last && (code.Punct(k) == '-' || code.Punct(k) == '+' || code.Punct(k) == '!'))
            ++k;
        if (k >= last) return 'f';
        if (code.Punct(k) == '(' && code.IsIdent(k + 1) && code.Punct(k + 2) == ')') {
            const char cast = Precision(code.Text(k + 1));
            if (cast != 0) return cast;
        }
        if (code.Punct(k) == '(') return ArgumentPrecision(k + 1, code.Closing(k));
        if (code.Token(k).kind == Tok::Number) {
            const char last_char = code.Text(k).back();
            if (last_char == 'h' || last_char == 'H') return 'h';
            if (last_char == 'l' || last_char == 'L') return 'd';
            return 'f';
        }
        if (!code.IsIdent(k)) return 'f';
        const std::string_view word = code.Text(k);
        if (code.Punct(k + 1) == '(') {
            if (const char made = Precision(word); made != 0) return made;
            const std::vector<size_t>& fs = outline.Functions(word);
            if (fs.empty()) return 'f';
            const char returned = Precision(code.Text(outline.functions[fs.front()].returnType));
            return returned != 0 ? returned : 'f';
        }
        const auto it = outline.names.find(word);
        if (it == outline.names.end() || it->second.type == Declarator::npos) return 'f';
        const char declared = Precision(outline.Underlying(code.Text(it->second.type)));
        return declared != 0 ? declared : 'f';
    }

    // The overload of the group a call with arguments of these precisions
    // takes: every precision matched, else the most matched, float first;
    // nullptr when none takes that many arguments (glslang says so).
    const Overload* Choose(const std::vector<Overload>& group, const std::string& args) const {
        const Overload* best = nullptr;
        int bestScore = -1;
        for (const Overload& o : group) {
            if (o.key.size() != args.size()) continue;
            int score = 0;
            for (size_t p = 0; p < args.size(); ++p) {
                if (o.key[p] == args[p]) score += 2;
                else if (o.key[p] == 'f') score += 1;
            }
            if (score > bestScore) best = &o, bestScore = score;
        }
        return best;
    }

    void Rename(size_t at, const std::string& name) {
        edits.Replace(code.At(at), code.At(at) + 1,
                      {s.hlsl->Make(Tok::Ident, name, code.Token(at))});
    }

    // The groups of overloads of one name that glslang would take for one
    // function, with their new names; the calls of that name go to them.
    void Run(std::string_view name, const std::vector<size_t>& functions) {
        std::map<std::string, std::vector<Overload>> byShapes;
        for (size_t f : functions) {
            Overload o = Read(f);
            byShapes[o.shapes].push_back(std::move(o));
        }
        std::map<size_t, std::string> renamed;  // function name token -> new name
        std::vector<Overload> group;
        for (auto& [shapes, overloads] : byShapes) {
            bool differ = false;
            for (const Overload& o : overloads) differ = differ || o.key != overloads.front().key;
            if (!differ) continue;
            for (const Overload& o : overloads) {
                const FunctionOutline& f = outline.functions[o.function];
                if (o.key.find_first_of("hd") != std::string::npos)
                    renamed[f.name] = Cat({"fx_prec_", o.key, "_", name, "_"});
                group.push_back(o);
            }
        }
        if (group.empty()) return;
        for (const auto& [at, to] : renamed) Rename(at, to);
        for (size_t i = 0; i + 1 < code.size(); ++i) {
            if (code.Text(i) != name || code.Punct(i + 1) != '(' || renamed.count(i) != 0) continue;
            if (i > 0 && code.Punct(i - 1) == '.') continue;
            bool declares = false;
            for (const Overload& o : group) declares = declares || outline.functions[o.function].name == i;
            if (declares) continue;
            const size_t open = i + 1, close = code.Closing(open);
            std::string args;
            if (close > open + 1)
                for (const auto& [first, last] : ListItems(code, open, close))
                    args += ArgumentPrecision(first, last);
            const Overload* chosen = Choose(group, args);
            if (chosen == nullptr) continue;
            const auto it = renamed.find(outline.functions[chosen->function].name);
            if (it != renamed.end()) Rename(i, it->second);
        }
    }
};

}  // namespace

bool RenamePrecisionOverloads(TokenRewriteState& state) {
    const Code& code = state.code();
    // Most shaders overload nothing on half or double: the outline is made
    // only when one of the words is there.
    bool any = false;
    for (size_t i = 0; i < code.size() && !any; ++i) {
        if (!code.IsIdent(i)) continue;
        const std::string_view w = code.Text(i);
        any = (w[0] == 'h' || w[0] == 'd' || w[0] == 'm') && Precision(w) != 0;
    }
    if (!any) return true;

    const HlslOutline& outline = state.outline();
    State st{state, code, outline, {}};
    for (const auto& [name, functions] : outline.functionsNamed)
        if (functions.size() > 1) st.Run(name, functions);
    if (st.edits.list.empty()) return true;
    st.edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
