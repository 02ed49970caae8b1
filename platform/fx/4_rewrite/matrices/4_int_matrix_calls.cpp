// Stage 4, matrices of ints and bools (4_int_matrices.h): the parameters a
// function takes in and what it returns converted, and calls that give such
// a matrix to an out or inout parameter of another type, through a helper
// that converts what the function wrote back (Calls).
#include <string>
#include <utility>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/matrices/4_int_matrices_rewrite.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace int_matrices {

// The tokens [i, end) are a whole argument of a call that may write it:
// the effect's own function with an out or inout parameter there (which
// converts what it takes in itself, or its helper does: Calls), or
// sincos, modf or frexp.
bool IntMatrices::WholeArgument(size_t i, size_t end) const {
    const char before = code_.Punct(i - 1), after = code_.Punct(end);
    if (i == 0 || (before != '(' && before != ',') || (after != ')' && after != ','))
        return false;
    int depth = 0;
    size_t position = 0;  // of the argument in the call
    for (size_t k = i - 1, steps = 0; k > 0 && steps < 512; --k, ++steps) {
        const char p = code_.Punct(k);
        if (p == ')' || p == ']') ++depth;
        if (p == ',' && depth == 0) ++position;
        if ((p == '(' || p == '[') && depth-- == 0) {
            if (p != '(' || !code_.IsIdent(k - 1)) return false;
            const std::string_view called = code_.Text(k - 1);
            const std::vector<size_t>& named = outline_.Functions(called);
            if (named.empty())
                return position > 0 && (called == "sincos" || called == "modf" ||
                                        called == "frexp");
            for (size_t n : named) {
                const auto& params = outline_.functions[n].params;
                if (position < params.size() && params[position].out) return true;
            }
            return false;
        }
        if (p == ';' || p == '{' || p == '}') return false;
    }
    return false;
}

// Parameters taken in are converted where the body starts; returns of a
// function returning such a matrix are converted.
void IntMatrices::Function(const FunctionOutline& f, TokenEdits* edits) {
    if (f.body == npos) return;
    for (const Declarator& d : f.params) {
        if (d.type == npos || d.name == npos || OnlyOut(d) || d.arrayOpen != npos) continue;
        const char kind = Kind(code_.Text(d.type));
        if (kind == 0) continue;
        bool fixed = false;
        for (size_t k = d.first; k < d.type; ++k)
            fixed = fixed || code_.Text(k) == "const" || code_.Text(k) == "uniform";
        if (fixed) continue;
        std::vector<SourceToken> tokens = {Make(Tok::Ident, code_.Text(d.name), d.name),
                                           Make(Tok::Punct, "=", d.name)};
        const std::string ft = FloatType(code_.Text(d.type));
        Open(kind, ft, d.name, &tokens);
        tokens.push_back(Make(Tok::Ident, code_.Text(d.name), d.name));
        Close(kind, d.name, &tokens);
        tokens.push_back(Make(Tok::Punct, ";", d.name));
        edits->Replace(code_.At(f.body) + 1, code_.At(f.body) + 1, std::move(tokens));
    }
    if (f.name == 0) return;
    const char kind = Kind(code_.Text(f.name - 1));
    if (kind == 0) return;
    const std::string ft = FloatType(code_.Text(f.name - 1));
    for (size_t k = f.body; k < f.end; ++k) {
        if (code_.IsIdent(k) && code_.Text(k) == "return" && code_.Punct(k + 1) != ';')
            wraps_.push_back({k + 1, ExpressionEnd(code_, k + 1), kind, ft, k});
    }
}

// A parameter that only gives a value back ("out", not "inout" or
// "in out"): it takes nothing in to convert.
bool IntMatrices::OnlyOut(const Declarator& d) const {
    if (!d.out) return false;
    for (size_t k = d.first; k < d.type && k < code_.size(); ++k)
        if (code_.Text(k) == "inout" || code_.Text(k) == "in") return false;
    return true;
}

// The declared type of the variable [first, last) when it is a whole
// matrix of ints or bools: a name, an element of an array of them, a
// member ("a[1].s.m", "s.m[2]"); empty for anything else.
std::string_view IntMatrices::Variable(size_t first, size_t last) const {
    if (!code_.IsIdent(first)) return {};
    size_t name = first;
    int indices = 0;
    size_t k = first + 1;
    while (k < last) {
        if (code_.Punct(k) == '[') {
            k = code_.Closing(k) + 1;
            ++indices;
        } else if (code_.Punct(k) == '.' && code_.IsIdent(k + 1)) {
            name = k + 1;
            indices = 0;
            k += 2;
        } else {
            return {};
        }
    }
    if (k != last) return {};
    std::string_view type;
    bool array = false;
    if (name == first) {
        const NameType* known = Declared(name);
        if (known == nullptr || known->type == npos) return {};
        type = code_.Text(known->type);
        array = known->array;
    } else {
        auto it = members_.find(code_.Text(name));
        if (it == members_.end()) return {};
        type = it->second.type;
        array = it->second.array;
    }
    if (Kind(type) == 0 || indices != (array ? 1 : 0)) return {};
    return type;
}

namespace {

// The scalar kind of a type's name: 'f' float (half, double), 'i' int
// (uint, dword), 'b' bool; 0 for others (a struct, a sampler).
char ScalarKind(std::string_view type) {
    if (ShapeOf(type).rows == 0) return 0;
    if (type.substr(0, 4) == "bool") return 'b';
    if (type.substr(0, 3) == "int" || type.substr(0, 4) == "uint" || type.substr(0, 5) == "dword" ||
        type.substr(0, 8) == "min16int" || type.substr(0, 8) == "min12int" ||
        type.substr(0, 9) == "min16uin")
        return 'i';
    return 'f';
}

}  // namespace

// The scalar kind of an argument, where its tokens tell it: a literal, a
// variable or a cast; 0 when they do not.
char IntMatrices::ArgumentKind(size_t first, size_t last, std::string_view variable) const {
    if (!variable.empty()) return Kind(variable);
    while (first + 1 < last && (code_.Punct(first) == '-' || code_.Punct(first) == '+')) ++first;
    if (code_.Punct(first) == '(' && code_.IsIdent(first + 1) && code_.Punct(first + 2) == ')' &&
        first + 3 < last)
        return ScalarKind(outline_.Underlying(code_.Text(first + 1)));
    if (last != first + 1) return 0;
    const std::string_view t = code_.Text(first);
    if (t == "true" || t == "false") return 'b';
    if (code_.Token(first).kind == Tok::Number) {
        const bool hex = t.size() > 1 && (t[1] == 'x' || t[1] == 'X');
        return !hex && t.find_first_of(".eEfFhH") != std::string_view::npos ? 'f' : 'i';
    }
    const NameType* known = Declared(first);
    return known == nullptr || known->type == npos || known->array
               ? 0
               : ScalarKind(outline_.Underlying(code_.Text(known->type)));
}

// How well each of a call's arguments fits g's parameter, lower better:
// 2 x the shape's rank (0 its own shape, 1 as many components, 2 a scalar
// spread, 3 a vector cut) plus 1 for another scalar kind. Empty when one
// cannot be given; *told false when an argument's shape or kind is not
// known (its rank is then 0).
std::vector<int> IntMatrices::Fit(const FunctionOutline& g,
                                  const std::vector<std::pair<size_t, size_t>>& args,
                                  const std::vector<std::string_view>& types, bool* told) const {
    std::vector<int> ranks(args.size(), 0);
    for (size_t a = 0; a < args.size(); ++a) {
        const Declarator& d = g.params[a];
        if (d.type == npos) return {};
        const std::string_view to = outline_.Underlying(code_.Text(d.type));
        const Shape param = ShapeOf(Kind(to) ? FloatType(to) : std::string(to));
        if (param.rows == 0) {  // a struct or a sampler: no telling
            *told = false;
            continue;
        }
        int shape = 0;
        if (!types[a].empty()) {
            const Shape from = ShapeOf(FloatType(types[a]));
            if (param.matrix && param.rows == from.rows && param.cols == from.cols) shape = 0;
            else if (!d.out && param.Components() == from.Components()) shape = 1;
            else if (!d.out && param.Components() == 1) shape = 3;
            else return {};
        } else {
            const Shape value = ValueShape(code_, outline_, args[a].first, args[a].second);
            const int n = value.Components();
            if (n <= 0) {
                *told = false;
                continue;
            }
            if (n == param.Components()) shape = param.matrix ? 1 : 0;
            else if (n == 1) shape = 2;
            else if (n > param.Components()) shape = 3;
            else return {};
        }
        const char kind = ArgumentKind(args[a].first, args[a].second, types[a]);
        const char want = Kind(to) ? Kind(to) : ScalarKind(to);
        if (kind == 0) *told = false;
        ranks[a] = 2 * shape + (kind != 0 && kind != want ? 1 : 0);
    }
    return ranks;
}

// The parameters' types and array sizes as written, to tell a
// declaration of a function from an overload.
std::string IntMatrices::Signature(const FunctionOutline& g) const {
    std::string text;
    for (const Declarator& d : g.params) {
        if (d.type == npos) return {};
        text += std::string(code_.Text(d.type)) + (d.out ? "&" : "") + ArrayPart(d) + ",";
    }
    return text;
}

// The signature once int and bool matrices are float ones.
std::string IntMatrices::FloatSignature(const FunctionOutline& g) const {
    std::string text;
    for (const Declarator& d : g.params) {
        if (d.type == npos) return {};
        const std::string_view t = code_.Text(d.type);
        text += Cat({Kind(t) ? FloatType(t) : std::string(t), d.out ? "&" : "", ArrayPart(d), ","});
    }
    return text;
}

// Overloads that become one function once int and bool matrices are float
// ones ("f(float2x2)" and "f(int2x2)"): each of those taking such a
// matrix gets a name of its own, "fx_f_3_", and so do the calls the
// arguments fit to it best (Callee); the others keep calling the original.
void IntMatrices::Overloads(TokenEdits* edits) {
    for (const auto& [name, indexes] : outline_.functionsNamed) {
        if (indexes.size() < 2) continue;
        std::map<std::string, std::string> names;  // Signature -> new name
        for (size_t n : indexes) {
            const FunctionOutline& g = outline_.functions[n];
            const std::string own = Signature(g), made = FloatSignature(g);
            if (own.empty() || own == made) continue;  // no int or bool matrix
            bool collides = false;
            for (size_t m : indexes) {
                const FunctionOutline& h = outline_.functions[m];
                collides = collides || (Signature(h) != own && FloatSignature(h) == made);
            }
            if (!collides) continue;
            auto found = names.try_emplace(own, Cat({"fx_", name, "_", std::to_string(n), "_"})).first;
            renamed_[n] = found->second;
            edits->Replace(code_.At(g.name), code_.At(g.name) + 1, {Make(Tok::Ident, found->second, g.name)});
        }
    }
    if (renamed_.empty()) return;
    for (size_t k = 1; k + 1 < code_.size(); ++k) {
        if (!code_.IsIdent(k) || code_.Punct(k + 1) != '(' || code_.Punct(k - 1) == '.' ||
            owner_[k] == 0 || outline_.functions[owner_[k] - 1].body > k)
            continue;
        const std::vector<size_t>& named = outline_.Functions(code_.Text(k));
        if (named.size() < 2) continue;
        const size_t close = code_.Closing(k + 1);
        if (close >= code_.size()) continue;
        const auto args = ListItems(code_, k + 1, close);
        std::vector<std::string_view> types(args.size());
        for (size_t a = 0; a < args.size(); ++a) types[a] = Variable(args[a].first, args[a].second);
        size_t index = 0;
        bool ambiguous = false;
        const FunctionOutline* callee = Callee(named, args, types, &index, &ambiguous);
        if (callee == nullptr) continue;
        // The one called, or its declaration's name.
        for (const auto& [n, made] : renamed_) {
            if (Signature(outline_.functions[n]) != Signature(*callee) ||
                code_.Text(outline_.functions[n].name) != code_.Text(k))
                continue;
            edits->Replace(code_.At(k), code_.At(k) + 1, {Make(Tok::Ident, made, k)});
            break;
        }
    }
}

std::string IntMatrices::ArrayPart(const Declarator& d) const {
    std::string text;
    for (size_t k = d.arrayOpen; k != npos && code_.Punct(k) == '[';) {
        const size_t close = code_.Closing(k);
        if (close >= code_.size()) break;
        text += s_.Spelling(code_.At(k), code_.At(close) + 1);
        k = close + 1;
    }
    return text;
}

// Calls in f's body that give a variable of such a type to an out or
// inout parameter of another one (a float matrix, or an int matrix for
// a bool one): what the function writes back is converted too, by a
// helper that calls it and converts what it wrote:
//   F(v, k) -> fx_out_F_0_ni_(v, k), defined before f as
//   void fx_out_F_0_ni_(float4 a0, out float2x2 a1) { F(a0, a1); a1 = trunc((float2x2)(a1)); }
// ('I' or 'B' for a uniform given to an inout parameter: converted
// before the call too, as its registers are where they are read).
void IntMatrices::Calls(const FunctionOutline& f, TokenEdits* edits) {
    if (f.body == npos) return;
    std::string definitions;
    for (size_t k = f.body + 1; k + 1 < f.end; ++k) {
        if (!code_.IsIdent(k) || code_.Punct(k + 1) != '(' || code_.Punct(k - 1) == '.')
            continue;
        const std::vector<size_t>& named = outline_.Functions(code_.Text(k));
        const std::string_view called = code_.Text(k);
        const bool intrinsic = named.empty() && (called == "sincos" || called == "modf" ||
                                                 called == "frexp");
        if (named.empty() && !intrinsic) continue;
        const size_t close = code_.Closing(k + 1);
        if (close >= f.end) continue;
        const auto args = ListItems(code_, k + 1, close);
        std::vector<std::string_view> types(args.size());
        bool any = false;
        for (size_t a = 0; a < args.size(); ++a) {
            types[a] = Variable(args[a].first, args[a].second);
            any = any || !types[a].empty();
        }
        if (!any) continue;
        if (intrinsic) {
            Intrinsic(k, args.size(), types, edits, &definitions);
            continue;
        }
        size_t index = 0;
        bool ambiguous = false;
        const FunctionOutline* callee = Callee(named, args, types, &index, &ambiguous);
        if (ambiguous) ambiguous_.push_back(k);
        if (callee == nullptr) continue;
        std::string codes(args.size(), 'n');  // the kind each argument is converted to
        if (!OutCodes(*callee, args, types, &codes)) continue;
        ThroughHelper(k, index, *callee, codes, types, edits, &definitions);
    }
    if (definitions.empty()) return;
    const size_t start = DeclarationStart(code_, f);
    edits->Replace(code_.At(start), code_.At(start),
                   s_.MakeTokens(definitions, code_.Token(start)));
}

// The function called: of this name, with at least as many parameters (the
// others have their default values); of overloads, the one no argument
// fits worse and one fits better than in each other (Fit). nullptr when
// there is none to tell, or one with a parameter of no type, or two fit
// alike (*ambiguous then, when every argument's type was told); *index is
// its number among the outline's functions.
const FunctionOutline* IntMatrices::Callee(const std::vector<size_t>& named,
                                           const std::vector<std::pair<size_t, size_t>>& args,
                                           const std::vector<std::string_view>& types,
                                           size_t* index, bool* ambiguous) const {
    struct Candidate {
        const FunctionOutline* g;
        size_t index;
        std::vector<int> ranks;
    };
    std::vector<Candidate> fitting;
    bool told = true;
    for (size_t n : named) {
        const FunctionOutline& g = outline_.functions[n];
        if (g.params.size() < args.size()) continue;
        bool declared = false;  // a declaration and its definition
        for (const Candidate& c : fitting)
            declared = declared || (!Signature(g).empty() && Signature(g) == Signature(*c.g));
        if (declared) continue;
        std::vector<int> ranks = Fit(g, args, types, &told);
        if (ranks.size() == args.size()) fitting.push_back({&g, n, std::move(ranks)});
    }
    // a is better than b: no argument worse, one better.
    auto better = [](const Candidate& a, const Candidate& b) {
        bool one = false;
        for (size_t k = 0; k < a.ranks.size(); ++k) {
            if (a.ranks[k] > b.ranks[k]) return false;
            one = one || a.ranks[k] < b.ranks[k];
        }
        return one;
    };
    const Candidate* best = nullptr;
    for (const Candidate& c : fitting) {
        bool all = true;
        for (const Candidate& other : fitting)
            all = all && (&other == &c || better(c, other));
        if (all) best = &c;
    }
    if (best == nullptr) {
        *ambiguous = fitting.size() > 1 && told;
        return nullptr;
    }
    const FunctionOutline* callee = best->g;
    *index = best->index;
    if (callee->name == 0) return nullptr;
    bool typed = true;
    for (size_t a = 0; a < args.size(); ++a) typed = typed && callee->params[a].type != npos;
    if (!typed) return nullptr;
    return callee;
}

// The kind each argument is converted to after the call, in *codes: the
// int or bool matrices given to an out or inout parameter of another
// type; false when there is none.
bool IntMatrices::OutCodes(const FunctionOutline& callee,
                           const std::vector<std::pair<size_t, size_t>>& args,
                           const std::vector<std::string_view>& types, std::string* codes) const {
    bool needed = false;
    for (size_t a = 0; a < args.size(); ++a) {
        const Declarator& d = callee.params[a];
        if (types[a].empty() || !d.out || d.type == npos || d.arrayOpen != npos) continue;
        const std::string_view to = code_.Text(d.type);
        const Shape from = ShapeOf(FloatType(types[a]));
        const Shape shape = ShapeOf(Kind(to) ? FloatType(to) : std::string(to));
        if (!shape.matrix || shape.rows != from.rows || shape.cols != from.cols) continue;
        const char kind = Kind(types[a]), param = Kind(to);
        if ((kind == 'i' && param == 0) || (kind == 'b' && param != 'b')) {
            // A uniform given to an inout parameter is converted on
            // the way in too (its registers): 'I' or 'B'.
            const NameType* root = Declared(args[a].first);
            const bool uniform = root != nullptr && root->uniform && !OnlyOut(d);
            (*codes)[a] = uniform ? static_cast<char>(kind - 'a' + 'A') : kind;
            needed = true;
        }
    }
    return needed;
}

// The call at k made a call of its helper, defined (once) in *definitions.
void IntMatrices::ThroughHelper(size_t k, size_t index, const FunctionOutline& callee,
                                const std::string& codes,
                                const std::vector<std::string_view>& types, TokenEdits* edits,
                                std::string* definitions) {
    const std::string name = "fx_out_" + std::string(code_.Text(k)) + "_" +
                             std::to_string(index) + "_" + codes + "_";
    edits->Replace(code_.At(k), code_.At(k) + 1, {Make(Tok::Ident, name, k)});
    if (!made_.insert(name).second) return;
    auto spelled = [&](std::string_view type) {
        return Kind(type) ? FloatType(type) : std::string(type);
    };
    std::vector<std::string> params;
    for (size_t a = 0; a < codes.size(); ++a) {
        const Declarator& d = callee.params[a];
        std::string param;
        for (size_t q = d.first; q < d.type; ++q) {
            param += code_.Text(q);
            param += ' ';
        }
        param += spelled(code_.Text(d.type));
        params.push_back(std::move(param));
    }
    const auto renamed = renamed_.find(index);
    const std::string_view called =
        renamed != renamed_.end() ? std::string_view(renamed->second) : code_.Text(callee.name);
    *definitions += Helper(spelled(code_.Text(callee.name - 1)), called, params, name, codes,
                           types, &callee);
}

// sincos(x, s, c), modf(x, i), frexp(x, e) given an int or bool matrix
// for what they write: a helper of the variable's float type, as above.
void IntMatrices::Intrinsic(size_t k, size_t count, const std::vector<std::string_view>& types,
                            TokenEdits* edits, std::string* definitions) {
    const std::string_view called = code_.Text(k);
    const size_t outs = called == "sincos" ? 3 : 2;  // [1, outs) are written
    if (count != outs) return;
    std::string type, codes(count, 'n');
    for (size_t a = 1; a < outs; ++a) {
        if (types[a].empty()) continue;
        const std::string f = FloatType(types[a]);
        if (!type.empty() && f != type) return;  // two shapes: left to glslang
        type = f;
        codes[a] = Kind(types[a]);
    }
    if (type.empty()) return;
    const std::string name = Cat({"fx_out_", called, "_", type, "_", codes, "_"});
    edits->Replace(code_.At(k), code_.At(k) + 1, {Make(Tok::Ident, name, k)});
    if (!made_.insert(name).second) return;
    std::vector<std::string> params(count, type);
    for (size_t a = 1; a < outs; ++a) params[a] = "out " + type;
    *definitions += Helper(called == "sincos" ? "void" : type, called, params, name, codes,
                           types, nullptr);
}

// "ARG = trunc((FLOAT_TYPE)(ARG)); " (or the bool form) added to out.
void IntMatrices::Converted(char kind, const std::string& f, const std::string& arg,
                            std::string* out) {
    *out += arg;
    *out += kind == 'b' ? " = ceil(saturate(abs((" : " = trunc((";
    *out += f;
    *out += ")(";
    *out += arg;
    *out += kind == 'b' ? ")))); " : ")); ";
}

// "RESULT NAME(PARAMS) { [RESULT r =] CALLED(a0, ...); aN = conv(aN); ... }"
std::string IntMatrices::Helper(const std::string& result, std::string_view called,
                                const std::vector<std::string>& declared,
                                const std::string& name, const std::string& codes,
                                const std::vector<std::string_view>& types,
                                const FunctionOutline* callee) const {
    std::string params, args, before, after;
    for (size_t a = 0; a < codes.size(); ++a) {
        std::string arg = "a";
        arg += std::to_string(a);
        if (a > 0) {
            params += ", ";
            args += ", ";
        }
        params += declared[a];
        params += ' ';
        params += arg;
        if (callee != nullptr) params += ArrayPart(callee->params[a]);
        args += arg;
        if (codes[a] == 'n') continue;
        const std::string f = FloatType(types[a]);
        const bool uniform = codes[a] == 'I' || codes[a] == 'B';
        const char kind = uniform ? static_cast<char>(codes[a] - 'A' + 'a') : codes[a];
        if (uniform) Converted(kind, f, arg, &before);
        Converted(kind, f, arg, &after);
    }
    const bool value = result != "void";
    return Cat({result, " ", name, "(", params, ") { ", before, value ? result : "",
                value ? " r = " : "", called, "(", args, "); ", after,
                value ? "return r; }\n" : "}\n"});
}

}  // namespace int_matrices
}  // namespace fx
