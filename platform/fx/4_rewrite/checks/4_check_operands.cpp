// Stage 4: values an operator or a use cannot take (see 4_check_operands.h).
#include "platform/fx/4_rewrite/checks/4_check_operands.h"

#include <string>
#include <string_view>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/4_rewrite/values/4_conditional_widths.h"

namespace fx {
namespace {

class Operands : public TokenCheck {
public:
    explicit Operands(TokenRewriteState& state) : TokenCheck(state) {}

    void Run() {
        for (const FunctionOutline& f : outline_.functions) {
            if (f.body == npos) continue;
            for (size_t i = f.body + 1; i < f.end; ++i) {
                if (code_.Token(i).kind == Tok::Punct && IsArithmetic(code_.Text(i))) Arithmetic(i);
                if (code_.Punct(i) == '?') Conditional(i, f.end);
                Logic(i);
                if (code_.IsIdent(i) && code_.Punct(i - 1) != '.') Texture(i);
                if (code_.IsIdent(i) && code_.Punct(i - 1) != '.') String(i);
                if (code_.IsIdent(i) && code_.Punct(i + 1) == '(') VoidValue(f, i);
                if (code_.IsIdent(i) && code_.Punct(i + 1) == '(') StructConstructor(i);
                if (code_.At(i + 1) > code_.At(i) + 1) StringOperand(i);
            }
        }
    }
private:
    static bool IsArithmetic(std::string_view op) {
        return OneOf(op, {"+", "-", "*", "/", "%", "+=", "-=", "*=", "/=", "%="});
    }

    // The struct or array a lone name is declared as, or empty: "s" of "S s"
    // and "a" of "float a[2]", not "s.x", "a[0]", "(float4)s" or "f(s)".
    std::string Aggregate(size_t name) const {
        if (!code_.IsIdent(name) || code_.Punct(name - 1) == '.' || code_.Punct(name - 1) == ')')
            return {};
        const char next = code_.Punct(name + 1);
        if (next == '.' || next == '[' || next == '(') return {};
        auto it = outline_.names.find(code_.Text(name));
        if (it == outline_.names.end() || it->second.type == npos) return {};
        bool alias = false;
        const std::string_view type = outline_.Underlying(code_.Text(it->second.type), &alias);
        if (it->second.array || alias) return "an array";
        if (outline_.FindStruct(code_, type) != nullptr)
            return Cat({"a struct ('", code_.Text(it->second.type), "')"});
        return {};
    }

    void Arithmetic(size_t op) {
        // "+=" may come as '+' and '='.
        const bool compound = code_.Text(op).size() == 1 && code_.Punct(op + 1) == '=' &&
                              code_.Punct(op + 2) != '=';
        const std::string spelled = Cat({code_.Text(op), compound ? "=" : ""});
        // "return s +;": a missing operand is glslang's to say.
        const char after = code_.Punct(op + (compound ? 2 : 1));
        if (after == ';' || after == ')' || after == ',' || after == ']' || after == '}') return;
        for (size_t side : {op - 1, op + (compound ? 2 : 1)}) {
            const std::string what = Aggregate(side);
            if (what.empty()) continue;
            Error(op, Cat({"'", spelled, "': '", code_.Text(side), "' is ", what,
                           "; arithmetic takes scalars, vectors and matrices"}));
            return;
        }
    }

    // "!s", "s && b", "s ? a : b", "if (s)"-like uses of a struct or array
    // as a truth value.
    void Logic(size_t i) {
        std::string_view t = code_.Text(i);
        const char p = code_.Punct(i);
        // "&&" may come as '&' and '&'.
        const bool pair = (p == '&' || p == '|') && code_.Punct(i + 1) == p &&
                          (code_.Token(i + 1).flags & kGlued) != 0;
        const bool both = pair || (code_.Token(i).kind == Tok::Punct && (t == "&&" || t == "||"));
        const bool unary = p == '!' && code_.Punct(i + 1) != '=';
        const bool condition = p == '?';
        if (!both && !unary && !condition) return;
        if (pair) t = p == '&' ? "&&" : "||";
        std::vector<size_t> sides;
        if (both || condition) sides.push_back(i - 1);
        if (both || unary) sides.push_back(i + (pair ? 2 : 1));
        for (size_t side : sides) {
            const std::string what = Aggregate(side);
            if (what.empty()) continue;
            Error(condition ? side : i,
                  Cat({"'", t, "': '", code_.Text(side), "' is ", what,
                       condition ? "; a condition is a scalar, vector or matrix"
                                 : "; logic takes scalars, vectors and matrices"}));
            return;
        }
    }

    // "if (Reset())", "x = 1 + Reset()", "f(Reset())": the call of a
    // function that returns void has no value to use.
    void VoidValue(const FunctionOutline& in, size_t name) {
        if (code_.Punct(name - 1) == '.') return;
        const std::vector<size_t>& named = outline_.Functions(code_.Text(name));
        if (named.empty()) return;
        for (size_t f : named)
            if (!code_.IsWord(outline_.functions[f].returnType, "void")) return;
        const char before = code_.Punct(name - 1);
        const char after = code_.Punct(code_.Closing(name + 1) + 1);
        // "return Reset();" in a void function is left to glslang.
        const bool returned =
            code_.IsWord(name - 1, "return") && !code_.IsWord(in.returnType, "void");
        const bool operand = before != 0 && std::string_view("=!?+-*/%<>&|^~").find(before) !=
                                                std::string_view::npos;
        const bool bracketed = before == '(' && !code_.IsWord(name - 2, "for");
        const bool operated = after != 0 && std::string_view("?+-*/%<>&|^.[").find(after) !=
                                                std::string_view::npos;
        if (returned || operand || bracketed || operated)
            Error(name, Cat({"'", code_.Text(name), "' returns void: its call has no value"}));
    }

    // "S(1, 2)": only numeric types have constructors; a struct takes an
    // initializer list or a cast.
    void StructConstructor(size_t name) {
        const std::string_view w = code_.Text(name);
        if (code_.Punct(name - 1) == '.' || !outline_.Functions(w).empty() ||
            outline_.FindStruct(code_, w) == nullptr)
            return;
        Error(name, Cat({"'", w, "': a struct has no constructor (give its values as { ... } "
                                 "or cast one value: (", w, ")x)"}));
    }

    // "c ? s : 2.0": the branch after '?' and the one after ':' (up to the
    // end of the expression), each a lone name or something else.
    void Conditional(size_t q, size_t end) {
        size_t colon = q + 1, depth = 0;
        for (; colon < end; ++colon) {
            const char p = code_.Punct(colon);
            if (p == '(' || p == '[' || p == '{') colon = code_.Closing(colon);
            if (p == '?') ++depth;
            if (p == ':' && depth-- == 0) break;
            if (p == ';' || p == ')' || p == ',') return;
        }
        if (colon >= end) return;
        size_t last = colon + 1;
        for (; last < end; ++last) {
            const char p = code_.Punct(last);
            if (p == '(' || p == '[' || p == '{') last = code_.Closing(last);
            if (p == ';' || p == ')' || p == ',' || p == '}' || p == ']') break;
        }
        // "c ? x : missing": a name declared nowhere, said here (glslang's
        // worker crashes on it where the ?: is returned or given on).
        if (last == colon + 2 && Undeclared(colon + 1)) {
            Error(colon + 1, Cat({"'", code_.Text(colon + 1), "': unknown variable"}));
            return;
        }
        // Structs are chosen whole: by one value, not per component
        // (glslang's worker crashes on a vector's choice of structs).
        if (!StructOf(q + 1, colon).empty() || !StructOf(colon + 1, last).empty()) {
            const size_t start = ConditionStart(code_, q);
            const int n = start == npos ? 0 : Components(start, q);
            if (n > 1) {
                Error(start, Cat({"'?:': a condition of ", std::to_string(n),
                                  " components cannot choose between structs (give it one)"}));
                return;
            }
        }
        const bool firstLone = colon == q + 2, secondLone = last == colon + 2;
        const std::string first = firstLone ? Aggregate(q + 1) : std::string();
        const std::string second = secondLone ? Aggregate(colon + 1) : std::string();
        if (first.rfind("a struct", 0) != 0 && second.rfind("a struct", 0) != 0) return;
        // A call or a member of the struct's own type is the same type; a
        // value whose type the declarations do not tell (a cast, an
        // expression) is left to glslang.
        const std::string_view a = StructOf(q + 1, colon), b = StructOf(colon + 1, last);
        if (!a.empty() && !b.empty()) {
            if (a == b) return;
        } else if (!Told(a.empty() ? q + 1 : colon + 1, a.empty() ? colon : last)) {
            return;
        }
        Error(q, "'?:': the branches are of different types (" +
                     (first.empty() ? std::string("a value") : first) + " and " +
                     (second.empty() ? std::string("a value") : second) + ")");
    }
    // Whether the word at i is a name no declaration, function or type of
    // the code gives (true and false are values).
    bool Undeclared(size_t i) const {
        if (!code_.IsIdent(i) || code_.Punct(i - 1) == '.') return false;
        const std::string_view w = code_.Text(i);
        if (w == "true" || w == "false" || outline_.Declared(code_, i) != nullptr) return false;
        if (!outline_.Functions(w).empty() || outline_.FindStruct(code_, w) != nullptr) return false;
        return !outline_.typedefs.contains(w) && ShapeOf(w).rows == 0;
    }
    // The struct type of the value [first, last) when it is a variable, a
    // member or a call that the declarations give one; empty otherwise.
    std::string_view StructOf(size_t first, size_t last) const {
        if (first >= last || !code_.IsIdent(first)) return {};
        std::string_view type;
        if (last == first + 1) {
            type = StructType(first);
        } else if (code_.Punct(first + 1) == '(' && code_.Closing(first + 1) + 1 == last) {
            for (size_t f : outline_.Functions(code_.Text(first)))
                type = outline_.Underlying(code_.Text(outline_.functions[f].returnType));
        } else if (code_.Punct(last - 2) == '.' && code_.IsIdent(last - 1) &&
                   PastAccessors(code_, first + 1) == last) {
            const NameType* member = outline_.Declared(code_, last - 1);
            if (member != nullptr && member->type != npos && !member->array)
                type = outline_.Underlying(code_.Text(member->type));
        }
        return !type.empty() && outline_.FindStruct(code_, type) != nullptr ? type : std::string_view();
    }
    // Whether the value [first, last) is one whose type is plain: a
    // number, a name, or a call or constructor.
    bool Told(size_t first, size_t last) const {
        if (last == first + 1) return true;
        return code_.IsIdent(first) && code_.Punct(first + 1) == '(' &&
               code_.Closing(first + 1) + 1 == last;
    }
    // The components of a '?:' condition: ConditionComponents's count, or a
    // lone matrix variable's.
    int Components(size_t first, size_t last) const {
        if (const int n = ConditionComponents(code_, outline_, first, last); n != 0) return n;
        if (last != first + 1 || !code_.IsIdent(first)) return 0;
        const NameType* d = outline_.Declared(code_, first);
        if (d == nullptr || d->type == npos || d->array) return 0;
        return ShapeOf(outline_.Underlying(code_.Text(d->type))).Components();
    }
    std::string_view StructType(size_t name) const {
        auto it = outline_.names.find(code_.Text(name));
        return it == outline_.names.end() || it->second.type == npos
                   ? std::string_view()
                   : outline_.Underlying(code_.Text(it->second.type));
    }

    // A local string may be declared (glslang drops it), never read: a
    // shader's code has no string values.
    void String(size_t i) {
        const NameType* d = outline_.Declared(code_, i);
        if (d == nullptr || d->type == npos || d->name == i || code_.Text(d->type) != "string") return;
        Error(i, Cat({"'", code_.Text(i), "' is a string: strings are the values of annotations "
                                          "and states, not of a shader's code"}));
    }

    // A string literal between code tokens i and i + 1 (the code leaves
    // strings out) next to an operator or in a condition's or call's
    // parentheses: `if ("x")`, `"a" + 1`. A string declaration's initial
    // value (after '=', ',' or '{') is taken.
    void StringOperand(size_t i) {
        size_t at = code_.At(i) + 1;
        while (at < code_.At(i + 1) && code_.ListToken(at).kind != Tok::String) ++at;
        if (at == code_.At(i + 1)) return;
        auto operatorText = [](std::string_view w) {
            return OneOf(w, {"+", "-", "*", "/", "%", "<", ">", "<=", ">=", "==", "!=", "!", "&&",
                             "||", "&", "|", "?", "(", "[", "+=", "-=", "*=", "/=", "%="});
        };
        // "==", "+=" may come as two tokens: '=' after another operator's
        // character is part of it; a lone '=' gives a string its value.
        const bool compound = code_.Punct(i) == '=' && code_.Glued(i) &&
                              std::string_view("+-*/%=!<>&|").find(code_.Punct(i - 1)) !=
                                  std::string_view::npos &&
                              code_.Punct(i - 1) != 0;
        const std::string_view before = compound ? std::string_view("==") : code_.Text(i);
        // printf and errorf take a format string (and are said as later models' elsewhere).
        if (before == "(" && (code_.IsWord(i - 1, "printf") || code_.IsWord(i - 1, "errorf")))
            return;
        const std::string_view after = code_.Text(i + 1);
        if (!operatorText(before) && !(operatorText(after) && after != "(" && after != "["))
            return;
        state_.messages.Error(code_.ListPos(at), "a string is no value in a shader's code: strings "
                                                 "are the values of annotations and states");
        failed = true;
    }

    void Texture(size_t i) {
        for (const std::string& t : state_.textureNames) {
            if (t != code_.Text(i)) continue;
            if (code_.Punct(i + 1) == '.' || outline_.names.count(code_.Text(i)) != 0) return;
            Error(i, Cat({"'", t, "' is a texture: read it through a sampler"}));
            return;
        }
    }

};

}  // namespace

bool CheckOperands(TokenRewriteState& state) {
    Operands check(state);
    check.Run();
    return !check.failed;
}

}  // namespace fx
