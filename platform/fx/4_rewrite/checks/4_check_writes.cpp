// Stage 4: writes the code cannot make, and the uses, jumps, calls and
// declarations Direct3D 9's compiler refuses next to them (the list is in
// 4_check_writes.h).
#include "platform/fx/4_rewrite/checks/4_check_writes.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_intrinsic_overloads.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {

class WriteChecks : public TokenCheck {
public:
    explicit WriteChecks(TokenRewriteState& state) : TokenCheck(state) {
        for (size_t i = 0; i < code_.size() && !consts_; ++i)
            consts_ = code_.IsIdent(i) && code_.Text(i) == "const";
        samplers_ = outline_.AnyDeclared([&](const NameType& d) {
            return IsSamplerType(outline_.Underlying(code_.Text(d.type)));
        });
    }

    void Run() {
        for (const FunctionOutline& f : outline_.functions) {
            if (f.body == npos) continue;
            for (size_t i = f.body + 1; i < f.end; ++i) {
                if (code_.Punct(i) == '[') Index(i);
                if (!code_.IsIdent(i)) continue;
                if (code_.Punct(i - 1) == '.') {
                    MatrixSwizzle(i);
                    continue;
                }
                if (code_.Text(i) == "switch" && code_.Punct(i + 1) == '(') Switch(i + 2);
                if (code_.Punct(i + 1) == '(') ConstArguments(i);
                if (consts_ && (code_.Punct(i + 1) == '[' || code_.Punct(i + 1) == '.') &&
                    Stepped(i, PastAccessors(code_, i + 1)) && Const(i)) {
                    Error(i, Cat({"'", code_.Text(i),
                                  "' is const: its elements and members cannot be incremented or "
                                  "decremented"}));
                }
                if (OneOf(code_.Text(i), {"if", "while", "switch"}) && code_.Punct(i + 1) == '(')
                    ConditionDeclaration(i + 2);
                if (code_.Punct(i + 1) == '(') CallBeforeDeclaration(i);
                if (samplers_) {
                    LocalSampler(i);
                    SamplerValue(i);
                }
            }
            DeclarationLists(f);
            Jumps(f);
        }
        for (const FunctionOutline& f : outline_.functions) ReturnType(f);
        Bindings();
        Modifiers();
    }

private:
    // A type's name: numeric, a struct's, a sampler's, or a typedef's of one.
    bool TypeWord(size_t i) const {
        if (!code_.IsIdent(i)) return false;
        const std::string_view type = outline_.Underlying(code_.Text(i));
        return ShapeOf(type).rows > 0 || IsSamplerType(type) ||
               outline_.FindStruct(code_, type) != nullptr;
    }
    // TYPE NAME followed by what ends a declared name.
    bool Declares(size_t type) const {
        const char after = code_.Punct(type + 2);
        return TypeWord(type) && code_.IsIdent(type + 1) &&
               (after == '=' || after == ',' || after == ';' || after == '[' || after == ':');
    }

    // "if (float a = x)": a condition is an expression, never a declaration.
    void ConditionDeclaration(size_t k) {
        while (code_.IsIdent(k) && IsQualifier(code_.Text(k))) ++k;
        if (Declares(k) && code_.Punct(k + 2) == '=') {
            Error(k + 1, Cat({"'", code_.Text(k + 1),
                              "': a condition cannot declare a variable (declare it before the "
                              "statement)"}));
        }
    }

    // "float a = 1, float b": after a declaration list's comma comes the
    // next name alone (a local function's parameters are not such a list).
    void DeclarationLists(const FunctionOutline& f) {
        for (size_t i = f.body + 1; i < f.end; ++i) {
            if (code_.Punct(i) == '(' && code_.IsIdent(i - 1) && code_.IsIdent(i - 2) &&
                TypeWord(i - 2)) {
                i = code_.Closing(i);
                continue;
            }
            if (code_.Punct(i) == ',' && Declares(i + 1)) {
                Error(i + 1, Cat({"'", code_.Text(i + 1),
                                  "': after a comma a declaration names its next variable "
                                  "without the type ('float a = 1, b;')"}));
            }
        }
    }

    // "f(x)" above every declaration of f: it is no name there yet. An
    // intrinsic's name calls the intrinsic until a function takes it over.
    void CallBeforeDeclaration(size_t name) {
        const std::vector<size_t>& list = outline_.Functions(code_.Text(name));
        if (list.empty() || code_.Punct(name - 1) == '.') return;
        for (size_t fn : list)
            if (outline_.functions[fn].name <= name) return;
        if (IsIntrinsicName(code_.Text(name)) || outline_.Declared(code_, name) != nullptr) return;
        Error(name, Cat({"'", code_.Text(name),
                         "' is called before it is declared (declare it above its first caller)"}));
    }

    // "sampler2D t;" in a function: a local sampler is another name for a
    // global one, so it takes one as its initial value.
    void LocalSampler(size_t type) {
        const char before = code_.Punct(type - 1);
        if (!(before == ';' || before == '{' || before == '}' ||
              (code_.IsIdent(type - 1) && IsQualifier(code_.Text(type - 1)))) ||
            !IsSamplerType(outline_.Underlying(code_.Text(type))) || !code_.IsIdent(type + 1)) {
            return;
        }
        const char after = code_.Punct(type + 2);
        if (after == ';' || after == ',') {
            Error(type + 1, Cat({"'", code_.Text(type + 1),
                                 "': a local sampler needs a global sampler as its initial value"}));
        }
    }

    // Whether the variable or parameter named at i is declared const.
    bool Const(size_t i) const {
        const NameType* d = outline_.Declared(code_, i);
        if (d == nullptr || d->type == npos || d->name == i) return false;
        for (size_t k = d->type; k-- > 0 && code_.IsIdent(k) && IsQualifier(code_.Text(k));)
            if (code_.Text(k) == "const") return true;
        return false;
    }

    // A const variable, whole or a part of it, given to an out or inout
    // parameter.
    void ConstArguments(size_t name) {
        const size_t open = name + 1;
        if (!consts_ || code_.Closing(open) >= code_.size()) return;
        const auto items = ListItems(code_, open, code_.Closing(open));
        for (size_t a = 0; a < items.size(); ++a) {
            const auto [first, last] = items[a];
            if (code_.IsIdent(first) && PastAccessors(code_, first + 1) == last &&
                OutParameter(code_.Text(name), a, items.size()) && Const(first)) {
                Error(first, Cat({"'", code_.Text(first),
                                  "' is const: it cannot be given to an out or inout parameter"}));
            }
        }
    }

    // Whether argument a of n of a call of that name is written: every
    // function of that name taking n arguments marks it out, or an
    // intrinsic's out parameter (sincos, modf, frexp).
    bool OutParameter(std::string_view name, size_t a, size_t n) const {
        const std::vector<size_t>& list = outline_.Functions(name);
        if (list.empty()) {
            if (name == "sincos") return n == 3 && a >= 1;
            return (name == "modf" || name == "frexp") && n == 2 && a == 1;
        }
        bool any = false;
        for (size_t f : list) {
            const std::vector<Declarator>& params = outline_.functions[f].params;
            if (params.size() < n) continue;
            if (!params[a].out) return false;
            any = true;
        }
        return any;
    }

    // A struct's member with an initial value. Storage classes where the
    // language takes none: on a struct's member
    // or in a typedef (const and the majorities are a typedef's), extern, shared and
    // volatile on a function (static and inline are its words), and inline
    // on a variable. (uniform on a return type and groupshared are the
    // other checks'.)
    void Modifiers() {
        auto storage = [](std::string_view w) {
            return OneOf(w, {"static", "extern", "shared", "uniform", "volatile"});
        };
        for (const StructOutline& st : outline_.structs) {
            for (const Declarator& m : st.members) {
                size_t k = m.name == npos ? npos : m.name + 1;
                if (k != npos && code_.Punct(k) == '[') k = code_.Closing(k) + 1;
                while (k != npos && code_.Punct(k) == ':' && code_.IsIdent(k + 1)) k += 2;
                if (k != npos && code_.Punct(k) == '=') {
                    Error(k, Cat({"'", code_.Text(m.name),
                                  "': a struct's member takes no initial value (the variable "
                                  "declared with the struct does)"}));
                }
                for (size_t k = m.first; m.type != npos && k < m.type; ++k) {
                    if (storage(code_.Text(k)))
                        Error(k, Cat({"'", code_.Text(k), "' cannot qualify a struct's member"}));
                }
            }
        }
        for (const FunctionOutline& f : outline_.functions) {
            for (size_t k = f.name - 1; k-- > 0 && code_.IsIdent(k) &&
                                        (IsQualifier(code_.Text(k)) || code_.Text(k) == "inline");) {
                if (OneOf(code_.Text(k), {"extern", "shared", "volatile"})) {
                    Error(k, Cat({"'", code_.Text(k), "' cannot qualify a function ('",
                                  code_.Text(f.name), "')"}));
                }
            }
        }
        for (size_t i = 0; i + 1 < code_.size(); ++i) {
            if (!code_.IsIdent(i)) continue;
            if (code_.Text(i) == "typedef") {
                for (size_t k = i + 1; code_.IsIdent(k) && (IsQualifier(code_.Text(k)) ||
                                                           OneOf(code_.Text(k), {"inline", "out", "inout"}));
                     ++k) {
                    if (storage(code_.Text(k)) || OneOf(code_.Text(k), {"inline", "in", "out", "inout"}))
                        Error(k, Cat({"'", code_.Text(k), "' cannot qualify a typedef"}));
                }
            } else if (code_.Text(i) == "inline") {
                size_t k = i + 1;
                while (code_.IsIdent(k) && IsQualifier(code_.Text(k))) ++k;
                if (Declares(k)) Error(i, "'inline' is for functions, not variables");
            }
        }
    }

    bool samplers_ = false;  // whether any variable or parameter is a sampler
    bool consts_ = false;    // whether the word const stands anywhere

    // "break" inside a loop or a switch, "continue" inside a loop.
    void Jumps(const FunctionOutline& f) {
        std::vector<std::pair<size_t, size_t>> loops, switches;
        for (size_t i = f.body + 1; i < f.end; ++i) {
            if (!code_.IsIdent(i)) continue;
            const std::string_view w = code_.Text(i);
            if ((w == "for" || w == "while" || w == "switch") && code_.Punct(i + 1) == '(') {
                const size_t body = code_.Closing(i + 1) + 1;
                if (body >= code_.size()) continue;  // never closed: said elsewhere
                (w == "switch" ? switches : loops).emplace_back(body, StatementEnd(code_, body));
            } else if (w == "do" && i + 1 < code_.size()) {
                loops.emplace_back(i + 1, StatementEnd(code_, i + 1));
            }
        }
        auto inside = [](const std::vector<std::pair<size_t, size_t>>& ranges, size_t i) {
            for (const auto& [first, end] : ranges)
                if (first <= i && i < end) return true;
            return false;
        };
        for (size_t i = f.body + 1; i < f.end; ++i) {
            if (!code_.IsIdent(i) || code_.Punct(i + 1) != ';') continue;
            if (code_.Text(i) == "break" && !inside(loops, i) && !inside(switches, i))
                Error(i, "'break' is only allowed inside a loop or a switch");
            if (code_.Text(i) == "continue" && !inside(loops, i))
                Error(i, "'continue' is only allowed inside a loop");
        }
    }

    // A sampler's name is read by the texture reads (and given on to a
    // sampler parameter, a local sampler, a method): "s + 1", "if (s)",
    // "-s", "(float)s" and "s ? a : b" use it as a value, which it is not.
    void SamplerValue(size_t i) {
        const NameType* d = outline_.Declared(code_, i);
        if (d == nullptr || d->type == npos || d->name == i ||
            !IsSamplerType(outline_.Underlying(code_.Text(d->type)))) {
            return;
        }
        const size_t end = PastAccessors(code_, i + 1);
        const char before = code_.Punct(i - 1);
        const char after = code_.Punct(end);
        const bool argument =
            (before == ',' || (before == '(' && code_.IsIdent(i - 2) &&
                               !OneOf(code_.Text(i - 2), {"if", "while", "switch", "for", "return"}))) &&
            (after == ',' || after == ')');
        const bool assigned = before == '=' && !(code_.Glued(i - 1) && code_.Token(i - 2).kind == Tok::Punct);
        const bool named = (assigned && after == ';') || code_.Text(i - 1) == "return" ||
                           before == '?' || (before == ':' && after != '?') ||
                           (after == ':' && code_.Punct(end + 1) != ':') || after == '.' ||
                           (after == '=' && code_.Punct(end + 1) != '=');
        if (!argument && !named) {
            Error(i, Cat({"'", code_.Text(i), "' is a sampler: it is read through tex2D and the "
                                              "other texture reads, not used as a value"}));
            return;
        }
        // Given to an intrinsic that takes values ("sin(s)"), or as a texture
        // read's coordinate (glslang says only that it cannot convert an
        // argument, at no word).
        const size_t call = argument ? CalledAt(i) : npos;
        const std::string_view f = call != npos ? code_.Text(call) : std::string_view();
        if (call == npos || !IsIntrinsicName(f) || !outline_.Functions(f).empty()) return;
        if (!f.starts_with("tex")) {
            Error(i, Cat({"'", f, "' takes no sampler: '", code_.Text(i),
                          "' is read through tex2D and the other texture reads"}));
        } else if (before == ',') {
            Error(i, Cat({"'", f, "' takes a sampler as its first argument only"}));
        }
    }

    // The name of the function whose call the argument starting at k is
    // given to; npos when it is no call's argument.
    size_t CalledAt(size_t k) const {
        size_t end = ExpressionEnd(code_, k);
        while (end < code_.size() && code_.Punct(end) == ',') end = ExpressionEnd(code_, end + 1);
        if (end >= code_.size() || code_.Punct(end) != ')') return npos;
        const size_t open = OpeningBracket(code_, end);
        return open != npos && open > 0 && code_.IsIdent(open - 1) ? open - 1 : npos;
    }

    // A function returns a value: not an array (a typedef's) nor a sampler.
    void ReturnType(const FunctionOutline& f) {
        const size_t type = f.name - 1;
        if (!code_.IsIdent(type)) return;
        bool array = false;
        const std::string_view underlying = outline_.Underlying(code_.Text(type), &array);
        const char* what = array ? "an array" : IsSamplerType(underlying) ? "a sampler" : nullptr;
        if (what != nullptr) {
            Error(type, Cat({"'", code_.Text(f.name), "' returns ", what, " ('", code_.Text(type),
                             "'): a function cannot return one"}));
        }
    }

    // The ": register(...)" of every global: a sampler's register is an s
    // register, a value's none of the samplers' and textures' (a packoffset
    // is for a global too: it is added to the globals' constant buffer).
    void Bindings() {
        std::vector<NameType> globals;  // in the order of the code, for the messages'
        for (const auto& entry : outline_.scoped)
            for (const ScopedName& d : entry.second)
                if (d.from == 0 && d.declared.type != npos) globals.push_back(d.declared);
        std::sort(globals.begin(), globals.end(),
                  [](const NameType& a, const NameType& b) { return a.name < b.name; });
        for (const NameType& d : globals) {
            if (OneOf(code_.Text(d.type), {"cbuffer", "tbuffer"})) continue;  // the buffer's own
            size_t k = d.name + 1;
            if (code_.Punct(k) == '[') k = code_.Closing(k) + 1;
            for (; code_.Punct(k) == ':' && code_.IsIdent(k + 1); k += 2) {
                if (code_.Punct(k + 2) != '(') continue;  // a semantic
                const size_t open = k + 2;
                k = code_.Closing(open) - 1;
                Binding(d, open - 1, code_.Closing(open));
            }
        }
    }

    void Binding(const NameType& d, size_t word, size_t close) {
        const std::string_view name = code_.Text(d.name);
        if (code_.Text(word) != "register" || !code_.IsIdent(close - 1)) return;
        const std::string_view reg = code_.Text(close - 1);
        const char kind = static_cast<char>(std::tolower(static_cast<unsigned char>(reg[0])));
        const bool sampler = IsSamplerType(outline_.Underlying(code_.Text(d.type)));
        if (sampler && kind != 's') {
            Error(close - 1, Cat({"'", name, "' is a sampler: it is bound to an s register, not '",
                                  reg, "'"}));
        } else if (!sampler && (kind == 's' || kind == 't' || kind == 'u')) {
            Error(close - 1, Cat({"'", name, "' is a ", code_.Text(d.type), ": '", reg,
                                  "' is a register of samplers or textures (a value takes a c, b or "
                                  "i register)"}));
        }
    }

    bool Operand(size_t i) const {
        return code_.IsIdent(i) || code_.Token(i).kind == Tok::Number || code_.Punct(i) == ')' ||
               code_.Punct(i) == ']';
    }

    // ++ or -- right after last, or right before first (not the second
    // half of "a++ +b" nor of "a+++b").
    bool Stepped(size_t first, size_t last) const {
        if (StepAt(code_, last)) return true;
        return first >= 2 && StepAt(code_, first - 2) &&
               !(first >= 3 && (Operand(first - 3) || code_.Punct(first - 3) == code_.Punct(first - 2)));
    }

    // An assignment ("=", "+=", "<<=", ...) right after code token j.
    bool Assigns(size_t j) const {
        if (code_.Punct(j) == '=') return !(code_.Punct(j + 1) == '=' && code_.Glued(j + 1));
        if (code_.Punct(j) == 0 || std::string_view("+-*/%&|^<>").find(code_.Punct(j)) ==
                                       std::string_view::npos) {
            return false;
        }
        size_t k = j + 1;
        if ((code_.Punct(j) == '<' || code_.Punct(j) == '>') &&
            (code_.Punct(k) != code_.Punct(j) || !code_.Glued(k++))) {
            return false;
        }
        return code_.Punct(k) == '=' && code_.Glued(k) &&
               !(code_.Punct(k + 1) == '=' && code_.Glued(k + 1));
    }

    // The member named at i, with the members and elements after it,
    // assigned to or stepped.
    bool Written(size_t i) const {
        const size_t end = PastAccessors(code_, i + 1);
        return Assigns(end) || Stepped(i, end);
    }

    // "._m00_m00 =": a matrix swizzle written names each component once.
    void MatrixSwizzle(size_t i) {
        const std::string_view s = code_.Text(i);
        if (s.size() < 6 || s[0] != '_' || !Written(i)) return;
        for (char c : s)  // only "_mRC" and "_RC" parts: a member "_a_b" is none
            if (c != '_' && c != 'm' && !std::isdigit(static_cast<unsigned char>(c))) return;
        std::string seen;
        for (size_t k = 0; k < s.size();) {
            const size_t next = s.find('_', k + 1);
            const std::string_view part = s.substr(k, next == std::string_view::npos ? s.npos : next - k);
            const std::string_view rc = part.substr(part.size() >= 2 ? part.size() - 2 : 0);
            for (size_t p = 0; p + 2 <= seen.size(); p += 2) {
                if (seen.compare(p, 2, rc) == 0) {
                    Error(i, Cat({"'", s, "': a swizzle that is written to names a component twice"}));
                    return;
                }
            }
            seen += rc;
            if (next == std::string_view::npos) break;
            k = next;
        }
    }

    // What a type name's declaration makes of a value: "a vector", "a
    // matrix", "a struct", or empty for a number (or what cannot be told).
    std::string Kind(std::string_view type) const {
        type = outline_.Underlying(type);
        const Shape shape = ShapeOf(type);
        if (shape.Components() > 1) return shape.matrix ? "a matrix" : "a vector";
        if (shape.rows == 0 && outline_.FindStruct(code_, type) != nullptr) return "a struct";
        return {};
    }

    // "x[i]": i is one number; a lone name of a vector, matrix or struct, or
    // a cast to one, is not.
    void Index(size_t open) {
        if (!Operand(open - 1)) return;
        const size_t close = code_.Closing(open);
        size_t k = open + 1;
        std::string kind;
        if (code_.IsIdent(k) && PastAccessors(code_, k + 1) == close && code_.Punct(k + 1) != '.' &&
            code_.Punct(k + 1) != '[') {
            const NameType* d = outline_.Declared(code_, k);
            if (d != nullptr && d->type != npos && !d->array) kind = Kind(code_.Text(d->type));
        } else if (code_.Punct(k) == '(' && code_.IsIdent(k + 1) && code_.Punct(k + 2) == ')') {
            kind = Kind(code_.Text(k + 1));
        }
        if (!kind.empty())
            Error(k, Cat({"an index is one number; '", code_.Text(code_.Punct(k) == '(' ? k + 1 : k),
                          "' is ", kind}));
    }

    // "switch ((int2)v)": the selector is one number.
    void Switch(size_t k) {
        if (code_.Punct(k) != '(' || !code_.IsIdent(k + 1) || code_.Punct(k + 2) != ')') return;
        const std::string kind = Kind(code_.Text(k + 1));
        if (!kind.empty())
            Error(k + 1, Cat({"a switch takes one int or uint; '", code_.Text(k + 1), "' is ", kind}));
    }
};

}  // namespace

bool CheckWrites(TokenRewriteState& state) {
    WriteChecks check(state);
    check.Run();
    return !check.failed;
}

}  // namespace fx
