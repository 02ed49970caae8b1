// Stage 4: variables given to out and inout parameters of another shape or
// kind (see 4_out_conversions.h).
#include "platform/fx/4_rewrite/declarations/4_out_conversions.h"

#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {

// A scalar or vector type: its base ("float", "bool", ...) and width; an
// empty base for any other type.
struct OutValue {
    std::string base;
    int width = 0;
};

OutValue ValueOf(std::string_view type) {
    const Shape shape = ShapeOf(type);
    if (shape.rows != 1 || shape.matrix) return {};
    size_t end = type.size();
    while (end > 0 && type[end - 1] >= '0' && type[end - 1] <= '9') --end;
    return {std::string(type.substr(0, end)), shape.cols};
}

std::string Spelled(const OutValue& v) {
    return v.width == 1 ? v.base : v.base + std::to_string(v.width);
}

struct State {
    TokenRewriteState& s;
    const Code& code;
    const HlslOutline& outline;
    TokenEdits edits;
    std::set<std::string> made;

    // The declared type of the name at code token `at` in the function f
    // (the last declaration of it above, in f or at global scope, "TYPE
    // NAME" before one of = ; , : or ')'); empty for an array or when that
    // cannot be told.
    std::string_view DeclaredType(const FunctionOutline& f, size_t at) const {
        const std::string_view name = code.Text(at);
        for (size_t i = at; i-- > f.open + 1;) {
            if (code.Text(i) != name || !code.IsIdent(i - 1) ||
                OneOf(code.Text(i - 1), {"return", "else", "case"}))
                continue;
            const char next = code.Punct(i + 1);
            if (next == '[') return {};
            if (next == '=' || next == ';' || next == ',' || next == ':' || next == ')')
                return outline.Underlying(code.Text(i - 1));
        }
        const auto it = outline.names.find(name);
        if (it == outline.names.end() || it->second.type == Declarator::npos || it->second.array)
            return {};
        return outline.Underlying(code.Text(it->second.type));
    }

    // The type of the variable the argument [first, last) names, whole or
    // swizzled; an empty base when it is anything else.
    OutValue ArgumentValue(const FunctionOutline& caller, size_t first, size_t last) const {
        if (!code.IsIdent(first)) return {};
        OutValue v = ValueOf(DeclaredType(caller, first));
        if (v.base.empty()) return {};
        if (last == first + 1) return v;
        if (last != first + 3 || code.Punct(first + 1) != '.' || !code.IsIdent(first + 2))
            return {};
        const std::string_view swizzle = code.Text(first + 2);
        if (swizzle.size() > 4 || swizzle.find_first_not_of("xyzwrgba") != std::string_view::npos)
            return {};
        v.width = static_cast<int>(swizzle.size());
        return v;
    }

    // The one definition of the name that takes `count` arguments (the
    // parameters past them have default values); nullptr when none or more.
    const FunctionOutline* Callee(std::string_view name, size_t count) const {
        const FunctionOutline* found = nullptr;
        for (size_t n : outline.Functions(name)) {
            const FunctionOutline& f = outline.functions[n];
            if (f.body == Declarator::npos || f.params.size() < count) continue;
            if (found != nullptr) return nullptr;
            found = &f;
        }
        return found;
    }

    // "TYPE" of a parameter with its qualifiers ("inout float2").
    std::string Declared(const Declarator& d) const {
        std::string out;
        for (size_t k = d.first; k <= d.type; ++k) out += Cat({code.Text(k), " "});
        return out;
    }

    // A matrix given to a parameter of a smaller matrix: cast to it, as
    // Direct3D 9 truncates it (glslang finds no function).
    void TruncatedMatrix(const FunctionOutline& caller, const Declarator& d,
                         std::pair<size_t, size_t> arg) {
        if (d.out || d.type == Declarator::npos || d.arrayOpen != Declarator::npos) return;
        const std::string_view type = outline.Underlying(code.Text(d.type));
        const Shape param = ShapeOf(type);
        if (!param.matrix || arg.second != arg.first + 1 || !code.IsIdent(arg.first)) return;
        const Shape given = ShapeOf(DeclaredType(caller, arg.first));
        if (!given.matrix || given.rows < param.rows || given.cols < param.cols ||
            (given.rows == param.rows && given.cols == param.cols))
            return;
        const SourceToken& at = code.Token(arg.first);
        edits.Replace(code.At(arg.first), code.At(arg.first),
                      s.hlsl->MakeTokens(Cat({"(", type, ")("}), at));
        edits.Replace(code.At(arg.first) + 1, code.At(arg.first) + 1,
                      {s.hlsl->Make(Tok::Punct, ")", at)});
    }

    void Call(const FunctionOutline& caller, size_t k, const FunctionOutline& f,
              std::string* definitions) {
        const size_t close = code.Closing(k + 1);
        const auto args = ListItems(code, k + 1, close);
        for (size_t a = 0; a < args.size(); ++a) TruncatedMatrix(caller, f.params[a], args[a]);
        std::string key;
        std::vector<OutValue> converted(args.size());
        for (size_t a = 0; a < args.size(); ++a) {
            const Declarator& d = f.params[a];
            if (!d.out || d.type == Declarator::npos || d.arrayOpen != Declarator::npos) continue;
            const OutValue param = ValueOf(outline.Underlying(code.Text(d.type)));
            const OutValue arg = ArgumentValue(caller, args[a].first, args[a].second);
            if (param.base.empty() || arg.base.empty()) continue;
            if (param.width == arg.width && (param.base == "bool") == (arg.base == "bool"))
                continue;
            converted[a] = arg;
            key += std::to_string(a) + Spelled(arg);
        }
        if (key.empty()) return;
        const std::string name = Cat({"fx_conv_", code.Text(k), "_", key, "_"});
        edits.Replace(code.At(k), code.At(k) + 1, {s.hlsl->Make(Tok::Ident, name, code.Token(k))});
        if (!made.insert(name).second) return;

        const std::string result(code.Text(f.name - 1));
        std::string params, call, before, after;
        for (size_t a = 0; a < args.size(); ++a) {
            const Declarator& d = f.params[a];
            const std::string number = std::to_string(a);
            const std::string arg = Cat({"a", number}), temp = Cat({"t", number});
            if (a > 0) params += ", ", call += ", ";
            if (converted[a].base.empty()) {
                params += Cat({Declared(d), arg});
                for (size_t q = d.arrayOpen; q != Declarator::npos && code.Punct(q) == '[';) {
                    const size_t end = code.Closing(q);
                    for (; q <= end && q < f.close; ++q) params += code.Text(q);
                }
                call += arg;
                continue;
            }
            const std::string type(outline.Underlying(code.Text(d.type)));
            bool inToo = true;
            for (size_t q = d.first; q < d.type; ++q) inToo = inToo && code.Text(q) != "out";
            params += Cat({"inout ", Spelled(converted[a]), " ", arg});
            before += Cat({type, " ", temp, inToo ? " = (" + type + ")(" + arg + ")" : "", "; "});
            after += Cat({arg, " = (", Spelled(converted[a]), ")(", temp, "); "});
            call += temp;
        }
        const bool value = result != "void";
        *definitions += Cat({result, " ", name, "(", params, ") { ", before, value ? result : "",
                             value ? " r = " : "", code.Text(f.name), "(", call, "); ", after,
                             value ? "return r; }\n" : "}\n"});
    }

    void Function(const FunctionOutline& f) {
        if (f.body == Declarator::npos) return;
        std::string definitions;
        for (size_t k = f.body + 1; k + 1 < f.end; ++k) {
            if (!code.IsIdent(k) || code.Punct(k + 1) != '(' || code.Punct(k - 1) == '.') continue;
            const size_t close = code.Closing(k + 1);
            if (close >= f.end) continue;
            const size_t count = close == k + 2 ? 0 : ListItems(code, k + 1, close).size();
            const FunctionOutline* callee = Callee(code.Text(k), count);
            if (callee != nullptr && callee != &f) Call(f, k, *callee, &definitions);
        }
        if (definitions.empty()) return;
        const size_t start = DeclarationStart(code, f);
        edits.Replace(code.At(start), code.At(start),
                      s.hlsl->MakeTokens(definitions, code.Token(start)));
    }
};

}  // namespace

bool ConvertOutArguments(TokenRewriteState& state) {
    // Most shaders have no out, inout or matrix parameter: the code and its
    // outline are made only when one of them is there ("out", or "(float3x3
    // m" that may declare a matrix parameter), looked for in the tokens.
    const TokenStream& s = *state.hlsl;
    const uint32_t out = s.texts->Id("out"), inout = s.texts->Id("inout");
    const uint32_t open = s.texts->Id("("), comma = s.texts->Id(",");
    bool any = false;
    for (size_t i = 1; i + 1 < s.tokens.size() && !any; ++i) {
        const SourceToken& t = s.tokens[i];
        if (t.kind != Tok::Ident) continue;
        if (t.text == out || t.text == inout) any = true;
        // "float3x3": a matrix's name ends in NxM.
        const std::string_view w = s.Text(t);
        if (w.size() < 4 || w[w.size() - 2] != 'x' || s.tokens[i + 1].kind != Tok::Ident) continue;
        const uint32_t before = s.tokens[i - 1].text;
        any = any || ((before == open || before == comma ||
                       (s.tokens[i - 1].kind == Tok::Ident && IsQualifier(s.Text(s.tokens[i - 1])))) &&
                      ShapeOf(w).matrix);
    }
    if (!any) return true;

    const Code& code = state.code();
    State st{state, code, state.outline(), {}, {}};
    for (const FunctionOutline& f : st.outline.functions) st.Function(f);
    if (st.edits.list.empty()) return true;
    st.edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
