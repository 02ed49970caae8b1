// Stage 4: statements and declarations Direct3D 9's compiler refuses, which
// glslang takes, crashes on, or answers with lines of its own language:
// - `case` or `default` outside a switch or inside a statement nested in
//   one, and a case label that is not a constant (a variable, or a name
//   nothing declares); an [unroll(n)] count that is not a constant whole
//   number of turns (a uniform, a fraction, below zero);
// - a function defined inside another function; a bare "return;" in a
//   function with a value to return, or no return statement in it at all;
// - a struct's name given to a variable or parameter;
// - a vector or matrix of 0 or more than 4 components a side (`float5`,
//   `vector<float, 5>`, `matrix<float, 4, 5>`);
// - a variable, parameter or struct member of type void;
// - a const variable assigned to, incremented or decremented; a sampler
//   assigned to; an array or struct incremented or decremented; a switch
//   on a vector, matrix, array or struct; a case without a label (or with a
//   string); `if`, `while`, `switch` or `for` without '(' after it; a
//   ',' right before a ';' ("float a = 1, ;");
// - an empty declaration in a struct ("float a;;");
// - a keyword as a variable's name ("float in = 1;", "float sampler;"); a
//   word the language reserves (enum, template, sizeof, ...) anywhere;
// - a number that is no literal ("1.0q", "1.0.0", "0x"), an integer
//   literal past 32 bits, a character literal ('a': HLSL has none),
//   groupshared (compute shaders' storage);
// - a loop without a condition ("for (;;)", "while (true)") and without
//   break or return: it never ends;
// - a function declared again with the same parameters and another return
//   type; '?:' choosing between samplers or structs of two types; a '('
//   not closed by the statement's end; a sampler indexed that is no array;
//   determinant of a matrix that is not square;
// - in code an entry point reaches: a global of a resource type of shader
//   model 4 and later (a StructuredBuffer, an RWTexture2D, a Texture2DArray,
//   ...).
// Recursion and calls of functions defined nowhere are the "calls" check's
// (language/4_calls.h).
#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "platform/fx/4_rewrite/checks/4_check_statements.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {

struct Statements {
    const Code& code;
    const HlslOutline& outline;
    MessageSink& messages;

    void Error(size_t at, std::string text) { messages.Error(code.Pos(at), std::move(text)); }
    std::string Quoted(size_t at) const { return Cat({"'", code.Text(at), "'"}); }
    bool Word(size_t i, std::string_view w) const { return code.IsIdent(i) && code.Text(i) == w; }
    // Words that start a statement rather than name a type.
    bool StatementWord(size_t i) const {
        return OneOf(code.Text(i), {"return", "else", "case", "do", "goto", "break", "continue",
                                    "discard", "typedef"});
    }
    bool Call(size_t i) const {
        return code.IsIdent(i) && code.Punct(i + 1) == '(' && (i == 0 || code.Punct(i - 1) != '.');
    }

    // The braces of switch bodies in [first, last): a case must sit in one.
    std::vector<std::pair<size_t, size_t>> SwitchBodies(size_t first, size_t last) const {
        std::vector<std::pair<size_t, size_t>> bodies;
        for (size_t i = first; i < last; ++i) {
            if (!Word(i, "switch")) continue;
            // "switch k {" is said at the switch; its cases are still in one.
            size_t open = i + 1;
            if (code.Punct(i + 1) == '(') {
                open = code.Closing(i + 1) + 1;
            } else {
                while (open < last && code.Punct(open) != '{' && code.Punct(open) != ';') ++open;
            }
            if (code.Punct(open) == '{') bodies.emplace_back(open, code.Closing(open));
        }
        return bodies;
    }

    // Names some declaration makes const ("const float a = 1, b;",
    // "static const int K"): only these need DeclaredConst's search.
    std::set<std::string_view> constNames = {};
    void NoteConstNames() {
        for (size_t i = 0; i + 2 < code.size(); ++i) {
            if (!Word(i, "const")) continue;
            size_t k = i + 1;
            while (code.IsIdent(k) && IsQualifier(code.Text(k))) ++k;
            for (size_t name = k + 1; code.IsIdent(name);) {
                constNames.insert(code.Text(name));
                size_t j = name + 1;
                for (; j < code.size(); ++j) {
                    const char q = code.Punct(j);
                    if (q == '(' || q == '[' || q == '{') j = code.Closing(j);
                    if (q == ',' || q == ';' || q == ')') break;
                }
                if (code.Punct(j) != ',' || code.Punct(name + 1) == ')') break;
                name = j + 1;
            }
        }
    }

    // Whether the name used at i is declared const: the nearest declaration
    // before it in the function, else a parameter, else a global.
    bool DeclaredConst(const FunctionOutline& fn, size_t use) const {
        const std::string_view name = code.Text(use);
        if (constNames.count(name) == 0) return false;
        auto constBefore = [&](size_t type) {
            for (size_t k = type; k-- > 0 && code.IsIdent(k) && IsQualifier(code.Text(k));)
                if (code.Text(k) == "const") return true;
            return false;
        };
        for (size_t k = use; k-- > fn.body;) {
            if (code.Text(k) != name || !code.IsIdent(k - 1) || StatementWord(k - 1) ||
                code.Punct(k - 2) == '.') {
                continue;
            }
            const char next = code.Punct(k + 1);
            if (next == '=' || next == ';' || next == ',' || next == '[') return constBefore(k - 1);
        }
        for (const Declarator& d : fn.params)
            if (d.name != npos && code.Text(d.name) == name) return constBefore(d.type);
        const NameType* it = outline.Declared(code, use);
        if (it == nullptr || it->type == npos) return false;
        return it->name < fn.returnType && constBefore(it->type);
    }

    // Statements in one function's body.
    void Body(const FunctionOutline& fn) {
        const auto switches = SwitchBodies(fn.body, fn.end);
        // A function with a value to return and no return statement at all
        // (glslang says it in its own words, then trips over what follows;
        // one with a return somewhere is the tree's CheckReturns).
        if (!Word(fn.returnType, "void")) {
            bool returns = false;
            for (size_t i = fn.body + 1; i < fn.end && !returns; ++i) returns = Word(i, "return");
            if (!returns)
                Error(fn.body, "'" + std::string(code.Text(fn.name)) +
                                   "': not all control paths return a value");
        }
        for (size_t i = fn.body + 1; i < fn.end; ++i) {
            if (Word(i, "case") || (Word(i, "default") && code.Punct(i + 1) == ':')) {
                bool inSwitch = false;
                for (const auto& [open, close] : switches) inSwitch |= open < i && i < close;
                if (!inSwitch) Error(i, Quoted(i) + " is only allowed inside a switch");
                else if (!AtSwitchLevel(switches, i))
                    Error(i, Quoted(i) + " must stand in its switch's own block, not inside "
                                         "another statement");
                else if (Word(i, "case")) CaseLabel(fn, i);
            }
            // "return;" in a function with a value to return (glslang says
            // so, then trips over the ';' with a second message).
            if (Word(i, "return") && code.Punct(i + 1) == ';' && !Word(fn.returnType, "void"))
                Error(i, "'" + std::string(code.Text(fn.name)) + "': a function of type " +
                             std::string(code.Text(fn.returnType)) + " must return a value");
            if (code.Punct(i) == '[' && Word(i + 1, "unroll") && code.Punct(i + 2) == '(' &&
                code.Closing(i + 2) + 1 == code.Closing(i))
                UnrollCount(fn, i + 2);
            // TYPE NAME(...) { inside a body: a function defined in a function.
            if (code.IsIdent(i) && code.IsIdent(i + 1) && code.Punct(i + 2) == '(' &&
                !IsQualifier(code.Text(i)) && !StatementWord(i)) {
                size_t after = code.Closing(i + 2) + 1;
                if (code.Punct(after) == ':' && code.IsIdent(after + 1)) after += 2;
                if (code.Punct(after) == '{') {
                    Error(i + 1, Quoted(i + 1) + ": a function cannot be defined inside another "
                                                 "function ('" +
                                     std::string(code.Text(fn.name)) + "')");
                }
            }
            // "switch k {", "if x > 0": the condition stands in parentheses.
            if ((Word(i, "if") || Word(i, "while") || Word(i, "switch") || Word(i, "for")) &&
                code.Punct(i + 1) != '(')
                Error(i, "'(' expected after " + Quoted(i));
            Assignment(fn, i);
            // switch (v), switch (s.m): the selector is one number, not a
            // vector, matrix, array or struct.
            const size_t selector = Word(i, "switch") ? MemberChainEnd(i + 2) : npos;
            if (selector != npos && code.Punct(i + 1) == '(' && code.Punct(selector + 1) == ')') {
                std::string kind = Aggregate(selector);
                const NameType* d = outline.Declared(code, selector);
                if (kind.empty() && d != nullptr && d->type != npos && !d->array) {
                    const Shape shape = ShapeOf(outline.Underlying(code.Text(d->type)));
                    if (shape.Components() > 1) kind = shape.matrix ? "a matrix" : "a vector";
                }
                if (!kind.empty())
                    Error(selector,
                          "a switch takes one int or uint; " + Quoted(selector) + " is " + kind);
            }
            const bool step = (code.Punct(i) == '+' || code.Punct(i) == '-') &&
                              code.Punct(i + 1) == code.Punct(i) &&
                              (code.Token(i + 1).flags & kGlued) != 0;
            if (!step) continue;
            // ++a, a++ (not a[0]++ nor s.a++: the name's own declaration).
            const size_t name = code.IsIdent(i + 2) ? i + 2 : code.IsIdent(i - 1) ? i - 1 : npos;
            if (name != npos && code.Punct(name - 1) != '.' && DeclaredConst(fn, name))
                Error(name, Quoted(name) + " is const: it cannot be incremented or decremented");
            const bool whole = name != npos && code.Punct(name - 1) != '.' &&
                               (name < i ||
                                (code.Punct(name + 1) != '[' && code.Punct(name + 1) != '.'));
            if (whole && !Aggregate(name).empty()) {
                Error(name, Quoted(name) + " is " + Aggregate(name) +
                                ": it cannot be incremented or decremented");
            }
            ++i;
        }
    }

    // "k = e;", "k += e;" as a statement, where k is const.
    void Assignment(const FunctionOutline& fn, size_t i) {
        const char before = code.Punct(i - 1);
        if (!code.IsIdent(i) || !(before == ';' || before == '{' || before == '}' || before == ')'))
            return;
        size_t op = i + 1;
        if (std::string_view("+-*/%").find(code.Punct(op)) != std::string_view::npos &&
            code.Punct(op) != 0 && code.Punct(op + 1) == '=' && (code.Token(op + 1).flags & kGlued) != 0)
            ++op;
        const bool assigns = code.Punct(op) == '=' &&
                             !(code.Punct(op + 1) == '=' && (code.Token(op + 1).flags & kGlued) != 0);
        if (assigns && DeclaredConst(fn, i))
            Error(i, Quoted(i) + " is const: it cannot be assigned to");
    }

    // "an array" or "a struct" when the name is declared as one where it
    // stands (a member or another function's local of its name may have
    // another type).
    // The last name of "a" or "a.b.c" starting at first; npos when the
    // tokens there are no such chain of names.
    size_t MemberChainEnd(size_t first) const {
        if (!code.IsIdent(first)) return npos;
        size_t last = first;
        while (code.Punct(last + 1) == '.' && code.IsIdent(last + 2)) last += 2;
        return last;
    }
    std::string Aggregate(size_t name) const {
        const NameType* d = outline.Declared(code, name);
        if (d == nullptr || d->type == npos) return {};
        bool array = d->array;
        const std::string_view type = outline.Underlying(code.Text(d->type), &array);
        if (array) return "an array";
        if (outline.FindStruct(code, type) != nullptr) return "a struct";
        return {};
    }

    // Whether the label at i sits in the block of the innermost switch
    // around it, not in a block or statement nested in that one.
    bool AtSwitchLevel(const std::vector<std::pair<size_t, size_t>>& switches, size_t i) const {
        size_t open = npos;
        for (const auto& body : switches)
            if (body.first < i && i < body.second && (open == npos || body.first > open)) open = body.first;
        if (open == npos) return true;
        for (size_t k = open + 1; k < i; ++k) {
            const char p = code.Punct(k);
            if (p != '{' && p != '(' && p != '[') continue;
            const size_t close = code.Closing(k);
            if (close > i) return false;
            k = close;
        }
        return true;
    }

    // "[unroll(N)]": N is a constant whole number of turns (literals,
    // const names and arithmetic on them), not a uniform, a fraction or
    // below zero. The paren opens at `paren`.
    void UnrollCount(const FunctionOutline& fn, size_t paren) {
        const size_t close = code.Closing(paren);
        if (paren + 1 == close) return;  // "[unroll()]" is glslang's to say
        if (code.Punct(paren + 1) == '-' && code.Token(paren + 2).kind == Tok::Number) {
            Error(paren + 1, "[unroll(n)]: the count is a number of turns, not below zero");
            return;
        }
        for (size_t k = paren + 1; k < close; ++k) {
            if (code.Token(k).kind == Tok::Number) {
                const std::string_view n = code.Text(k);
                const bool hex = n.size() > 1 && n[0] == '0' && (n[1] == 'x' || n[1] == 'X');
                if (!hex && n.find_first_of(".eE") != std::string_view::npos) {
                    Error(k, Cat({"[unroll(n)]: the count is a whole number of turns; ", n,
                                  " is not one"}));
                    return;
                }
            } else if (code.IsIdent(k) && !DeclaredConst(fn, k) && ShapeOf(code.Text(k)).rows == 0) {
                Error(k, "[unroll(n)]: the count must be a constant; " + Quoted(k) + " is not one");
                return;
            }
        }
    }

    // "case LABEL:": numbers, operators and const names only.
    void CaseLabel(const FunctionOutline& fn, size_t at) {
        // Nothing but a string between case and ':' (the code leaves strings out).
        if (code.Punct(at + 1) == ':') {
            Error(at, "a case label must be an integer constant");
            return;
        }
        for (size_t k = at + 1; k < fn.end && code.Punct(k) != ':'; ++k) {
            if (!code.IsIdent(k) || ShapeOf(code.Text(k)).rows > 0) continue;  // a cast's type
            if (Word(k, "true") || Word(k, "false") || DeclaredConst(fn, k)) continue;
            Error(k, "a case label must be a constant; " + Quoted(k) + " is not one");
            return;
        }
    }

    // NAME used as a variable: a struct's name cannot be one.
    void StructNamesAsVariables() {
        for (size_t i = 1; i < code.size(); ++i) {
            const char next = code.Punct(i + 1);
            if (!code.IsIdent(i) || !code.IsIdent(i - 1) ||
                !(next == ';' || next == '=' || next == '[' || next == ',' || next == ')' ||
                  next == ':') ||
                outline.structsNamed.count(code.Text(i)) == 0) {
                continue;
            }
            // (A member named as its struct type, "A A;", is left to the compiler.)
            if (Word(i - 1, "struct") || IsQualifier(code.Text(i - 1)) ||
                outline.structsNamed.count(code.Text(i - 1)) != 0) {
                continue;
            }
            Error(i, Quoted(i) + " is a struct; it cannot also name a variable");
        }
    }

    // float5, half4x7, vector<float, 0>, matrix<float, 4, 5>.
    void Sizes() {
        auto badSide = [](std::string_view digits) {
            return digits.size() != 1 || digits[0] < '1' || digits[0] > '4';
        };
        for (size_t i = 0; i < code.size(); ++i) {
            if (!code.IsIdent(i)) continue;
            const std::string_view w = code.Text(i);
            if ((w == "vector" || w == "matrix") && code.Punct(i + 1) == '<') {
                const size_t sides = w == "vector" ? 1 : 2;
                for (size_t s = 0; s < sides; ++s) {
                    const size_t n = i + 4 + 2 * s;
                    if (n < code.size() && code.Token(n).kind == Tok::Number && badSide(code.Text(n))) {
                        Error(n, Cat({w == "vector" ? "a vector has 1 to 4 components"
                                                    : "a matrix has 1 to 4 rows and columns",
                                      ", not ", code.Text(n)}));
                        break;
                    }
                }
                continue;
            }
            // A numeric type's name with a digit past 4 (or 0) as a type: a
            // declaration or a constructor. (Most names end in no digit.)
            if (!std::isdigit(static_cast<unsigned char>(w.back()))) continue;
            size_t base = 0;
            for (std::string_view b : {"float", "half", "double", "int", "uint", "bool"}) {
                if (w.size() > b.size() && w.substr(0, b.size()) == b &&
                    std::isdigit(static_cast<unsigned char>(w[b.size()])))
                    base = b.size();
            }
            if (base == 0 || ShapeOf(w).rows > 0 || outline.names.count(w) != 0 ||
                !outline.Functions(w).empty()) {
                continue;
            }
            const std::string_view rest = w.substr(base);
            const bool shaped = (rest.size() == 1 && std::isdigit(static_cast<unsigned char>(rest[0]))) ||
                                (rest.size() == 3 && rest[1] == 'x' &&
                                 std::isdigit(static_cast<unsigned char>(rest[0])) &&
                                 std::isdigit(static_cast<unsigned char>(rest[2])));
            if (shaped && (code.IsIdent(i + 1) || code.Punct(i + 1) == '(')) {
                Error(i, Quoted(i) + ": vectors and matrices have 1 to 4 components a side");
            }
        }
    }

    // void NAME followed by ; = [ , ) : is a variable, parameter or member.
    void VoidVariables() {
        for (size_t i = 0; i + 2 < code.size(); ++i) {
            if (!Word(i, "void") || !code.IsIdent(i + 1)) continue;
            const char next = code.Punct(i + 2);
            if (next == ';' || next == '=' || next == '[' || next == ',' || next == ')' ||
                next == ':') {
                Error(i + 1, Quoted(i + 1) + " cannot be of type void");
            }
        }
    }

    // The type of the declaration whose list the ',' at comma continues
    // ("float a = 1, b"); npos when the comma separates no declarators (a
    // call's arguments, an initializer list's values).
    size_t ListedType(size_t comma) const {
        int depth = 0;
        size_t start = comma;
        while (start > 0) {
            const char c = code.Punct(start - 1);
            if (c == ')' || c == ']') ++depth;
            if (c == '(' || c == '[') {
                if (depth == 0) return npos;
                --depth;
            }
            if (depth == 0 && (c == ';' || c == '{' || c == '}')) break;
            --start;
        }
        for (size_t j = start; j + 1 < comma; ++j) {
            if (!code.IsIdent(j)) return npos;
            if (code.IsIdent(j + 1)) {
                const std::string_view type = code.Text(j);
                if (ShapeOf(type).rows > 0 || outline.structsNamed.count(type) != 0) return j;
            }
        }
        return npos;
    }

    // TYPE KEYWORD, or a KEYWORD after a declaration list's comma, followed
    // by what follows a declared name. The effect's own keywords are
    // KeywordNames' (4_check_hlsl.cpp), said once there.
    void KeywordsAsNames() {
        for (size_t i = 1; i + 1 < code.size(); ++i) {
            if (!code.IsIdent(i) || (!code.IsIdent(i - 1) && code.Punct(i - 1) != ',')) continue;
            const char next = code.Punct(i + 1);
            if (next != ';' && next != '=' && next != '[' && next != ',' && next != ')') continue;
            const std::string_view w = code.Text(i);
            if (IsTechniqueKeyword(w)) continue;
            // (Spelled exactly: "float Texture" is a name, as the effect's state is.)
            const bool keyword =
                OneOf(w, {"sampler", "sampler1D", "sampler2D", "sampler3D", "samplerCUBE",
                          "texture", "texture1D", "texture2D", "texture3D", "textureCUBE"}) ||
                OneOf(w, {"in", "out", "inout", "return", "if", "else", "for", "while", "do",
                          "switch", "case", "default", "break", "continue", "discard", "struct",
                          "typedef", "true", "false", "void", "compile", "pass"}) ||
                // Keywords of the language's later shader models, which its
                // compiler reserves for every model (the primitive types and
                // interpolation modifiers are names: 4_spellings).
                OneOf(w, {"snorm", "unorm", "globallycoherent", "precise", "string", "vector",
                          "matrix", "shared"});
            if (!keyword) continue;
            if (code.Punct(i - 1) == ',') {
                if (ListedType(i - 1) != npos) Error(i, Quoted(i) + " is a keyword; it cannot name a variable");
                continue;
            }
            const std::string_view type = code.Text(i - 1);
            if (ShapeOf(type).rows > 0 || outline.structsNamed.count(type) != 0)
                Error(i, Quoted(i) + " is a keyword; it cannot name a variable");
        }
    }

    // "c ? a : b" where a and b are samplers (a texture read names its
    // sampler; no run-time value chooses one) or structs of two types.
    void ChosenOperands(const FunctionOutline& fn) {
        for (size_t i = fn.body; i + 4 < fn.end; ++i) {
            if (code.Punct(i) != '?' || !code.IsIdent(i + 1) || code.Punct(i + 2) != ':' ||
                !code.IsIdent(i + 3)) {
                continue;
            }
            const char after = code.Punct(i + 4);
            if (after == '.' || after == '[' || after == '(') continue;
            auto typeOf = [&](size_t name) -> std::string_view {
                auto it = outline.names.find(code.Text(name));
                if (it == outline.names.end() || it->second.type == npos || it->second.array)
                    return {};
                return outline.Underlying(code.Text(it->second.type));
            };
            const std::string_view a = typeOf(i + 1), b = typeOf(i + 3);
            if (a.empty() || b.empty()) continue;
            if (IsSamplerType(a) && IsSamplerType(b)) {
                Error(i, "'?:' cannot choose between samplers: a texture read names the "
                         "sampler it reads");
            } else if (a != b && outline.FindStruct(code, a) != nullptr &&
                       outline.FindStruct(code, b) != nullptr) {
                Error(i, "'?:' chooses between a " + std::string(a) + " and a " + std::string(b) +
                             ", structs of two types");
            }
        }
    }

    // "(1 + 2;": a '(' still open at the statement's end (a for's header
    // alone holds ';'). glslang reads on and reports far from it.
    void UnclosedParentheses(const FunctionOutline& fn) {
        for (size_t i = fn.body; i < fn.end; ++i) {
            if (code.Punct(i) != '(' || Word(i - 1, "for")) continue;
            const size_t close = std::min(code.Closing(i), fn.end);
            for (size_t k = i + 1; k < close; ++k) {
                if (code.Punct(k) == '(' || code.Punct(k) == '[')
                    k = std::min(code.Closing(k), close);
                if (code.Punct(k) != ';') continue;
                const SourcePos open = code.Pos(i);
                Error(k, "')' expected before ';': the '(' at line " + std::to_string(open.line) +
                             ", column " + std::to_string(open.column) + " is not closed");
                return;
            }
        }
    }

    // "s[0]" of a sampler that is no array; "determinant(m)" of a matrix
    // that is not square (glslang fails to link both).
    void NoSuchOperand(const FunctionOutline& fn) {
        for (size_t i = fn.body; i + 2 < fn.end; ++i) {
            if (!code.IsIdent(i) || code.Punct(i - 1) == '.') continue;
            auto declared = [&](size_t name, bool* array) -> std::string_view {
                auto it = outline.names.find(code.Text(name));
                if (it == outline.names.end() || it->second.type == npos) return {};
                *array = it->second.array;
                return outline.Underlying(code.Text(it->second.type), array);
            };
            bool array = false;
            if (code.Punct(i + 1) == '[') {
                const std::string_view type = declared(i, &array);
                if (!type.empty() && !array && IsSamplerType(type))
                    Error(i + 1, Quoted(i) + " is one sampler, not an array of them");
            } else if (Word(i, "determinant") && code.Punct(i + 1) == '(' &&
                       outline.Functions("determinant").empty()) {
                if (code.IsIdent(i + 2) && code.Punct(i + 3) == ')') {
                    const Shape shape = ShapeOf(declared(i + 2, &array));
                    if (!array && shape.matrix && shape.rows != shape.cols)
                        Error(i, "determinant takes a square matrix; " + Quoted(i + 2) + " is not one");
                    continue;
                }
                // Of an expression: a cast, a constructor, a call.
                const size_t close = code.Closing(i + 1);
                if (close >= fn.end) continue;
                const Shape shape = MatrixShape(code, outline, i + 2, close);
                if (shape.rows != 0 && shape.rows != shape.cols)
                    Error(i, "determinant takes a square matrix, not a " + std::to_string(shape.rows) +
                                 "x" + std::to_string(shape.cols) + " one");
            }
        }
    }

    // "float a = 1, ;": a ',' is followed by another name or value, never
    // by the statement's end (a list's last ',' before its '}' is taken).
    void CommaBeforeEnd() {
        for (size_t i = 0; i + 1 < code.size(); ++i)
            if (code.Punct(i) == ',' && code.Punct(i + 1) == ';')
                Error(i + 1, "';' after ',': a name or a value is missing");
    }

    // The words the language reserves (C++'s) and gives no meaning: the
    // first one used anywhere in the code ("enum E { A };", "float char;",
    // "float class;": 'class' before a name is the shader-model check's).
    void ReservedWords() {
        for (size_t i = 0; i < code.size(); ++i) {
            if (!code.IsIdent(i) || code.Punct(i - 1) == '.') continue;
            const bool className = code.Text(i) == "class" && !code.IsIdent(i + 1);
            if (!className && !OneOf(code.Text(i), {"auto", "catch", "char", "const_cast", "delete",
                                      "dynamic_cast", "enum", "explicit", "friend", "goto", "long",
                                      "mutable", "new", "operator", "private", "protected",
                                      "public", "reinterpret_cast", "short", "signed", "sizeof",
                                      "static_cast", "template", "this", "throw", "try",
                                      "typename", "union", "using", "virtual"})) {
                continue;
            }
            Error(i, Quoted(i) + " is a reserved word of the language, which it gives no meaning");
            return;
        }
    }

    // "s = ..." where s is a sampler: samplers are set by the effect, never
    // by code.
    void SamplerAssignments() {
        for (size_t i = 0; i + 1 < code.size(); ++i) {
            if (!code.IsIdent(i) || code.Punct(i + 1) != '=' || code.Punct(i + 2) == '=' ||
                (i > 0 && (code.Punct(i - 1) == '.' || code.IsIdent(i - 1)))) {
                continue;
            }
            const NameType* it = outline.Declared(code, i);
            if (it == nullptr || it->type == npos || it->name == i) continue;
            if (IsSamplerType(code.Text(it->type))) {
                Error(i, Quoted(i) + " is a sampler: it cannot be assigned to");
                continue;
            }
            // A local or parameter of a struct holding a sampler takes its
            // samplers where it is declared, never later.
            const std::string member = SamplerMember(code.Text(it->type));
            const bool inFunction = std::any_of(
                outline.functions.begin(), outline.functions.end(),
                [&](const FunctionOutline& fn) { return fn.open < it->name && it->name < fn.end; });
            if (!member.empty() && inFunction)
                Error(i, Quoted(i) + " holds a sampler ('" + member +
                             "'): it cannot be assigned to, only given its first value");
        }
    }

    // The sampler member of a struct (of a struct it holds too), as
    // "s" or "inner.s"; empty when it holds none.
    std::string SamplerMember(std::string_view type, int depth = 0) const {
        const StructOutline* st = outline.FindStruct(code, outline.Underlying(type));
        if (st == nullptr || depth > 8) return {};
        for (const Declarator& m : st->members) {
            if (m.type == npos || m.name == npos) continue;
            const std::string_view t = outline.Underlying(code.Text(m.type));
            if (IsSamplerType(t)) return std::string(code.Text(m.name));
            const std::string inner = SamplerMember(t, depth + 1);
            if (!inner.empty()) return Cat({code.Text(m.name), ".", inner});
        }
        return {};
    }

    // Whether the local declared at `at` starts as a copy of a variable
    // ("M c = m;", "= ms[1].inner;") or of what a call returns ("=
    // Get();"): Direct3D 9 then knows its samplers.
    bool CopiesAVariable(size_t at) const {
        if (code.Punct(at + 1) != '=' || !code.IsIdent(at + 2)) return false;
        if (code.Punct(at + 3) == '(' && code.Punct(code.Closing(at + 3) + 1) == ';') return true;
        size_t k = at + 3;
        while (k < code.size()) {
            if (code.Punct(k) == '[' && code.Closing(k) < code.size()) {
                k = code.Closing(k) + 1;
            } else if (code.Punct(k) == '.' && code.IsIdent(k + 1)) {
                k += 2;
            } else {
                break;
            }
        }
        return code.Punct(k) == ';';
    }

    // A local variable of a struct that holds a sampler: its sampler would
    // have to be assigned, and samplers are set by the effect, never by
    // code (a uniform of such a struct is taken; its samplers are the
    // effect's, and so are those of a local that starts as a copy of one).
    void LocalSamplerStructs() {
        if (outline.structs.empty()) return;
        std::map<size_t, std::string> found;  // in the order of the code
        for (const auto& [name, list] : outline.scoped) {
            for (const ScopedName& d : list) {
                const size_t at = d.declared.name, type = d.declared.type;
                if (at == npos || type == npos || outline.FindStruct(code, code.Text(type)) == nullptr)
                    continue;
                const bool local = std::any_of(
                    outline.functions.begin(), outline.functions.end(),
                    [&](const FunctionOutline& fn) {
                        return fn.body != npos && fn.body < at && at < fn.end;
                    });
                if (!local) continue;
                const std::string member = SamplerMember(code.Text(type));
                if (member.empty() || CopiesAVariable(at)) continue;
                found[at] = Quoted(at) + " is a local " + std::string(code.Text(type)) +
                            ", whose member '" + member +
                            "' is a sampler: samplers are set by the effect, never by code (read "
                            "the sampler itself, or make the variable a uniform)";
            }
        }
        for (const auto& [at, text] : found) Error(at, text);
    }

    // Literals: digits with a u or l suffix, hex digits after 0x, or a
    // float (digits with a point or an exponent) with an f, h or l suffix.
    static bool IsNumber(std::string_view n) {
        auto digits = [&](size_t& k, bool hex) {
            const size_t from = k;
            while (k < n.size() && (std::isdigit(static_cast<unsigned char>(n[k])) ||
                                    (hex && std::isxdigit(static_cast<unsigned char>(n[k])))))
                ++k;
            return k > from;
        };
        size_t k = 0;
        if (n.size() > 2 && n[0] == '0' && (n[1] == 'x' || n[1] == 'X')) {
            k = 2;
            if (!digits(k, true)) return false;
            while (k < n.size() && std::string_view("uUlL").find(n[k]) != std::string_view::npos) ++k;
            return k == n.size();
        }
        const bool whole = digits(k, false);
        bool point = false, exponent = false;
        if (k < n.size() && n[k] == '.') {
            ++k;
            point = true;
            if (!digits(k, false) && !whole) return false;
        } else if (!whole) {
            return false;
        }
        if (k < n.size() && (n[k] == 'e' || n[k] == 'E')) {
            ++k;
            if (k < n.size() && (n[k] == '+' || n[k] == '-')) ++k;
            if (!digits(k, false)) return false;
            exponent = true;
        }
        if (point || exponent) {
            if (k < n.size() && std::string_view("fFhHlL").find(n[k]) != std::string_view::npos) ++k;
            return k == n.size();
        }
        while (k < n.size() && std::string_view("uUlL").find(n[k]) != std::string_view::npos) ++k;
        return k == n.size();
    }

    // A literal, or a literal's swizzle ("1.0.xxx", "0.5f.rg").
    static bool IsNumberOrSwizzle(std::string_view n) {
        if (IsNumber(n)) return true;
        const size_t dot = n.rfind('.');
        if (dot == std::string_view::npos || dot + 1 >= n.size() || n.size() - dot - 1 > 4) return false;
        const std::string_view tail = n.substr(dot + 1);
        const bool xyzw = tail.find_first_not_of("xyzw") == std::string_view::npos;
        const bool rgba = tail.find_first_not_of("rgba") == std::string_view::npos;
        return (xyzw || rgba) && IsNumber(n.substr(0, dot));
    }

    // An integer literal (decimal, octal after a 0, hex after 0x) past
    // 32 bits.
    static bool TooLargeInteger(std::string_view n) {
        const bool hex = n.size() > 2 && n[0] == '0' && (n[1] == 'x' || n[1] == 'X');
        if (!hex && n.find_first_of(".eE") != std::string_view::npos) return false;
        if (hex) n.remove_prefix(2);
        while (!n.empty() && std::string_view("uUlL").find(n.back()) != std::string_view::npos)
            n.remove_suffix(1);
        const bool octal = !hex && n.size() > 1 && n[0] == '0';
        while (n.size() > 1 && n[0] == '0') n.remove_prefix(1);
        if (hex) return n.size() > 8;
        if (octal) return n.size() > 11 || (n.size() == 11 && n[0] > '3');
        return n.size() > 10 || (n.size() == 10 && n > "4294967295");
    }

    // An octal literal (an integer after a 0) with a digit 8 or 9: "09".
    static bool BadOctal(std::string_view n) {
        if (n.size() < 2 || n[0] != '0' || n[1] == 'x' || n[1] == 'X' ||
            n.find_first_of(".eEfFhH") != std::string_view::npos)
            return false;
        while (!n.empty() && std::string_view("uUlL").find(n.back()) != std::string_view::npos)
            n.remove_suffix(1);
        return n.find_first_of("89") != std::string_view::npos &&
               n.find_first_not_of("0123456789") == std::string_view::npos;
    }

    // "struct S { float a;; };": a struct's body holds member declarations
    // only, and an empty one is none.
    void EmptyMembers() {
        for (const StructOutline& st : outline.structs)
            for (size_t i = st.open + 1; i < st.close; ++i)
                if (code.Punct(i) == ';' && (code.Punct(i - 1) == ';' || code.Punct(i - 1) == '{'))
                    Error(i, "an empty declaration in struct '" + std::string(code.Text(st.name)) +
                                 "': a struct holds member declarations only");
    }

    void Literals() {
        for (size_t i = 0; i < code.size(); ++i) {
            if (code.Token(i).kind == Tok::Number && !IsNumberOrSwizzle(code.Text(i))) {
                Error(i, Quoted(i) + " is not a number");
            } else if (code.Token(i).kind == Tok::Number && BadOctal(code.Text(i))) {
                Error(i, Quoted(i) + ": octal literal digit too large (a literal after a 0 is "
                                     "octal: its digits go to 7)");
            } else if (code.Token(i).kind == Tok::Number && TooLargeInteger(code.Text(i))) {
                Error(i, Quoted(i) + ": an integer literal too large for 32 bits");
            } else if (code.Token(i).kind == Tok::Number && i + 1 < code.size() &&
                       code.Token(i + 1).kind == Tok::Number && code.Text(i + 1)[0] == '.') {
                // "1.0.0": the number ends at its second '.', which starts
                // another.
                Error(i, Cat({"'", code.Text(i), code.Text(i + 1), "' is not a number"}));
                ++i;
            } else if (code.Punct(i) == '\'') {
                Error(i, "HLSL has no character literals");
                return;
            } else if (Word(i, "groupshared")) {
                Error(i, "'groupshared' is the storage of compute shaders, not of vertex or "
                         "pixel shaders");
            }
        }
    }

    // for (;;), while (true), while (1), do ... while (true) with no break
    // or return in their body.
    void EndlessLoops(const FunctionOutline& fn) {
        for (size_t i = fn.body; i < fn.end; ++i) {
            const bool isFor = Word(i, "for"), isWhile = Word(i, "while");
            if ((!isFor && !isWhile) || code.Punct(i + 1) != '(') continue;
            const size_t close = code.Closing(i + 1);
            bool endless = false;
            if (isFor) {
                size_t first = i + 2;
                while (first < close && code.Punct(first) != ';') {
                    if (code.Punct(first) == '(') first = code.Closing(first);
                    ++first;
                }
                endless = code.Punct(first + 1) == ';';
            } else {
                endless = close == i + 3 && (Word(i + 2, "true") || code.Text(i + 2) == "1");
            }
            if (!endless) continue;
            // The body: after the bracket (while), or before "while" (do).
            size_t first = close + 1, last = first;
            size_t open = npos;  // a do loop's '{', when "while" ends one
            if (isWhile && i > 0 && code.Punct(i - 1) == '}') {
                for (size_t k = fn.body; k < i - 1 && open == npos; ++k)
                    if (code.Punct(k) == '{' && code.Closing(k) == i - 1 && Word(k - 1, "do")) open = k;
            }
            if (open != npos) {
                first = open;
                last = i - 1;
            } else if (code.Punct(first) == '{') {
                last = code.Closing(first);
            } else {
                while (last < fn.end && code.Punct(last) != ';') ++last;
            }
            bool leaves = false;
            for (size_t k = first; k <= last && k < fn.end; ++k)
                leaves |= Word(k, "break") || Word(k, "return") || Word(k, "discard");
            if (!leaves) Error(i, Quoted(i) + " loop never ends: it has no condition, break or return");
        }
    }

    // Two declarations of a name with the same parameter types and other
    // return types.
    void ReturnTypes() {
        for (const auto& [name, list] : outline.functionsNamed) {
            for (size_t a = 0; a < list.size(); ++a) {
                for (size_t b = a + 1; b < list.size(); ++b) {
                    const FunctionOutline& f = outline.functions[list[a]];
                    const FunctionOutline& g = outline.functions[list[b]];
                    if (f.params.size() != g.params.size() ||
                        code.Text(f.name - 1) == code.Text(g.name - 1)) {
                        continue;
                    }
                    bool same = true;
                    for (size_t p = 0; p < f.params.size() && same; ++p) {
                        const Declarator& x = f.params[p];
                        const Declarator& y = g.params[p];
                        same = x.type != npos && y.type != npos && code.Text(x.type) == code.Text(y.type) &&
                               (x.arrayOpen == npos) == (y.arrayOpen == npos) && x.out == y.out;
                    }
                    if (same) {
                        Error(g.name, Quoted(g.name) + " is declared again with the same parameters "
                                                       "and another return type");
                    }
                }
            }
        }
    }

    // Globals of the resource types of later shader models (TYPE<...> NAME)
    // read by the code entry points reach.
    void LaterResources(const std::vector<std::string>& entries) {
        std::map<std::string_view, std::string_view> resources;
        for (size_t i = 0; i + 1 < code.size(); ++i) {
            // Each of these names starts with one of six capitals.
            if (!code.IsIdent(i) ||
                std::string_view("ABCRST").find(code.Text(i)[0]) == std::string_view::npos ||
                !OneOf(code.Text(i), {"Buffer", "StructuredBuffer", "ByteAddressBuffer", "RWBuffer",
                                      "RWStructuredBuffer", "RWByteAddressBuffer",
                                      "AppendStructuredBuffer", "ConsumeStructuredBuffer",
                                      "RWTexture1D", "RWTexture1DArray", "RWTexture2D",
                                      "RWTexture2DArray", "RWTexture3D", "Texture1DArray",
                                      "Texture2DArray", "TextureCubeArray", "Texture2DMS",
                                      "Texture2DMSArray"})) {
                continue;
            }
            size_t name = i + 1;
            if (code.Punct(name) == '<') {
                while (name < code.size() && code.Punct(name) != '>') ++name;
                ++name;
            }
            if (code.IsIdent(name)) resources.emplace(code.Text(name), code.Text(i));
        }
        if (resources.empty()) return;
        std::set<size_t> reached;
        for (const std::string& entry : entries)
            for (size_t f : ReachedFunctions(code, outline, entry)) reached.insert(f);
        std::set<std::string_view> said;
        for (size_t f : reached) {
            const FunctionOutline& fn = outline.functions[f];
            for (size_t i = fn.body; i < fn.end; ++i) {
                if (!code.IsIdent(i) || code.Punct(i - 1) == '.') continue;
                auto it = resources.find(code.Text(i));
                if (it != resources.end() && said.insert(code.Text(i)).second) {
                    Error(i, Quoted(i) + " is a " + std::string(it->second) +
                                 ", which shader models 2 and 3 do not have");
                }
            }
        }
    }
};

}  // namespace

void CheckStatements(const Code& code, const HlslOutline& outline,
                     const std::vector<std::string>& entries, MessageSink& messages) {
    Statements s{code, outline, messages};
    s.NoteConstNames();
    for (const FunctionOutline& fn : outline.functions)
        if (fn.body != npos) s.Body(fn);
    s.StructNamesAsVariables();
    s.Sizes();
    s.VoidVariables();
    s.KeywordsAsNames();
    s.ReservedWords();
    s.CommaBeforeEnd();
    s.SamplerAssignments();
    s.LocalSamplerStructs();
    s.Literals();
    s.EmptyMembers();
    s.ReturnTypes();
    for (const FunctionOutline& fn : outline.functions) {
        if (fn.body == npos) continue;
        s.EndlessLoops(fn);
        s.ChosenOperands(fn);
        s.UnclosedParentheses(fn);
        s.NoSuchOperand(fn);
    }
    s.LaterResources(entries);
}

}  // namespace fx
