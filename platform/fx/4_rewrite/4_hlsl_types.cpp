// Stage 4: the types the shape rewrites need, told from declarations (see
// 4_hlsl_outline.h). Only the number of components of an expression is
// worked out: numbers, names, constructors, casts, swizzles, members,
// indexing, calls of the effect's own functions and of the intrinsics that
// keep their argument's shape, and the arithmetic between them (a scalar
// spreads, two vectors give the shorter one, as Direct3D 9 truncates).
#include <algorithm>
#include <string>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"

namespace fx {

namespace {

// The length of the numeric base name type starts with ("float" of
// "float3x4"); 0 when it starts with none. No base name starts another, so
// the first letter tells which one to try.
size_t BaseName(std::string_view type) {
    auto starts = [&](std::string_view b) { return type.substr(0, b.size()) == b ? b.size() : 0; };
    switch (type.empty() ? '\0' : type[0]) {
        case 'f': return starts("float");
        case 'h': return starts("half");
        case 'i': return starts("int");
        case 'u': return starts("uint");
        case 'b': return starts("bool");
        case 'd': return type.size() > 1 && type[1] == 'o' ? starts("double") : starts("dword");
        case 'm':
            for (std::string_view b : {"min16float", "min10float", "min16int", "min12int", "min16uint"})
                if (size_t n = starts(b)) return n;
            return 0;
        default: return 0;
    }
}

}  // namespace

Shape ShapeOf(std::string_view type) {
    const size_t base = BaseName(type);
    if (base == 0) return {};
    const std::string_view rest = type.substr(base);
    auto dim = [](char c) { return c >= '1' && c <= '4'; };
    if (rest.empty()) return {1, 1, false};
    if (rest.size() == 1 && dim(rest[0])) return {1, rest[0] - '0', false};
    if (rest.size() == 3 && dim(rest[0]) && rest[1] == 'x' && dim(rest[2]))
        return {rest[0] - '0', rest[2] - '0', true};
    return {};
}

std::string ShapeName(Shape shape, std::string_view base, std::string_view suffix) {
    std::string name(base);
    if (shape.matrix) {
        name += std::to_string(shape.rows);
        name += 'x';
        name += std::to_string(shape.cols);
    } else if (shape.Components() > 1) {
        name += std::to_string(shape.Components());
    }
    name += suffix;
    return name;
}

std::string RowProductFunction(std::string_view name, Shape shape, std::string_view typeA,
                               std::string_view typeB, bool rowsOfB) {
    const std::string type = ShapeName(shape);
    std::string text;
    for (std::string_view part : std::initializer_list<std::string_view>{
             type, " ", name, "(", typeA, " a, ", typeB, " b) { return ", type, "("}) {
        text += part;
    }
    for (int r = 0; r < shape.rows; ++r) {
        if (r > 0) text += ", ";
        text += "a[";
        text += std::to_string(r);
        text += "] * b";
        if (rowsOfB) {
            text += '[';
            text += std::to_string(r);
            text += ']';
        }
    }
    text += "); }\n";
    return text;
}

namespace {

bool IsSwizzle(std::string_view s) {
    if (s.empty() || s.size() > 4) return false;
    return s.find_first_not_of("xyzw") == std::string_view::npos ||
           s.find_first_not_of("rgba") == std::string_view::npos;
}

// The intrinsics whose result has the shape of their arguments.
bool KeepsShape(std::string_view f) {
    return OneOf(f, {"normalize", "saturate", "abs",   "frac",   "floor",     "ceil",  "sqrt",
                     "rsqrt",     "exp",      "exp2",  "log",    "log2",      "sin",   "cos",
                     "tan",       "sign",     "round", "trunc",  "ddx",       "ddy",   "fwidth",
                     "radians",   "degrees",  "min",   "max",    "pow",       "step",  "lerp",
                     "clamp",     "fmod",     "atan2", "isnan",  "isinf",     "isfinite",
                     "smoothstep", "mad",     "ldexp", "asin",   "acos",      "atan",  "sinh",
                     "cosh",      "tanh",     "log10"});
}

class Typer {
public:
    // matrices: the typer tells matrices (MatrixOf) rather than counts;
    // each mode reads a bracket once, so the work stays linear.
    Typer(const Code& code, const HlslOutline& outline, bool matrices)
        : code_(code), outline_(outline), matrices_(matrices) {}

    int Count(size_t first, size_t last) const {
        // Nesting past kMaxDepth is not worth telling (and the stack stays small).
        if (first >= last || last > code_.size() || depth_ >= kMaxDepth) return 0;
        ++depth_;
        int n = Operands(first, last);
        --depth_;
        return n;
    }

    Shape MatrixOf(size_t first, size_t last) const { return Matrix(first, last); }

    // An operand: unary signs, a cast or a primary and its postfix chain;
    // or operands and the arithmetic and comparison operators between them
    // ("v + w", "(m * 2)"): the shape of their result.
    Shape OperandOf(size_t first, size_t last) const {
        if (last > code_.size() || first >= last || depth_ >= kMaxDepth) return {};
        ++depth_;
        Shape s = Operand(first, last);
        --depth_;
        return s;
    }

private:
    Shape Operand(size_t first, size_t last) const {
        size_t operands = 0;
        if (!SplitOperands(first, last, [&](size_t, size_t) { ++operands; })) return {};
        if (operands > 1) return Operation(first, last);
        while (first < last && OneOf(code_.Text(first), {"-", "+", "!", "~"})) ++first;
        if (first + 1 < last && code_.Punct(first) == '(' && code_.Closing(first) == last - 1) {
            const Shape inner = OperandOf(first + 1, last - 1);  // "(m)", "(v + w)"
            return inner.rows > 0 ? inner : Selected(first + 1, last - 1);
        }
        if (first >= last) return {};
        if (code_.Punct(first) == '(' && code_.IsIdent(first + 1) &&
            code_.Punct(first + 2) == ')' && first + 3 < last &&
            TypeShape(code_.Text(first + 1)).rows > 0) {
            return TypeShape(code_.Text(first + 1));  // a cast, not "(v)[0]"
        }
        Shape shape;
        bool array = false;
        if (!PostfixShape(first, last, &shape, &array) || array) return {};
        return shape;
    }

    // "c ? a : b" (no other '?' at its level): its values' shape when they
    // have one, or one is a scalar spread over the other; rows 0 else.
    Shape Selected(size_t first, size_t last) const {
        size_t question = last, colon = last;
        for (size_t k = first; k < last; ++k) {
            const char p = code_.Punct(k);
            if (p == '(' || p == '[') k = code_.Closing(k);
            else if (p == '?' && question == last) question = k;
            else if (p == '?' || p == ',' || p == '=') return {};
            else if (p == ':' && question != last && colon == last) colon = k;
        }
        if (colon == last) return {};
        const Shape a = OperandOf(question + 1, colon), b = OperandOf(colon + 1, last);
        if (a.rows == 0 || b.rows == 0) return {};
        if (b.Components() == 1 && !b.matrix) return a;
        if (a.Components() == 1 && !a.matrix) return b;
        return a.rows == b.rows && a.cols == b.cols && a.matrix == b.matrix ? a : Shape{};
    }

    // Operands and the operators between them, as Direct3D 9 shapes the
    // result: a scalar spreads, two matrices truncate to the smaller rows
    // and columns, a matrix with a vector of as many components is the
    // matrix, vectors (and 1xN or Nx1 matrices) truncate to the shortest.
    // Unknown when an operand is, or when a matrix meets a vector of
    // another size (an error at that operator).
    Shape Operation(size_t first, size_t last) const {
        Shape result;
        bool known = true, started = false;
        SplitOperands(first, last, [&](size_t a, size_t b) {
            if (!known) return;
            const Shape o = OperandOf(a, b);
            if (o.rows == 0) {
                known = false;
                return;
            }
            if (!started) {
                result = o;
                started = true;
                return;
            }
            const bool fullR = result.matrix && result.rows > 1 && result.cols > 1;
            const bool fullO = o.matrix && o.rows > 1 && o.cols > 1;
            if (o.Components() == 1) return;
            if (result.Components() == 1) {
                result = o;
            } else if (fullR && fullO) {
                result = {std::min(result.rows, o.rows), std::min(result.cols, o.cols), true};
            } else if (fullR || fullO) {
                if (result.Components() != o.Components()) known = false;
                else if (fullO) result = o;
            } else if (result.rows != o.rows || result.cols != o.cols ||
                       result.matrix != o.matrix) {
                result = {1, std::min(result.Components(), o.Components()), false};
            }
        });
        return known ? result : Shape{};
    }

    static constexpr int kMaxDepth = 32;

    // The token at k as an operator of an expression: 2 for one that ends
    // what this typer reads (an assignment, a comma, '?', && and ||), 1 for
    // a binary arithmetic or comparison operator, 0 for any other token.
    int OperatorKind(size_t k) const {
        if (code_.Token(k).kind != Tok::Punct) return 0;
        // An operator of two characters comes as two glued tokens: "==",
        // "<=", "!=" compare (the '=' after the first character is read as
        // its second half), "+=" assigns, "&&" and "||" end.
        const char c = code_.Punct(k);
        const char next = code_.Glued(k + 1) ? code_.Punct(k + 1) : 0;
        const char prev = k > 0 && code_.Glued(k) ? code_.Punct(k - 1) : 0;
        const bool shiftAssign = (prev == '<' || prev == '>') && k >= 2 && code_.Glued(k - 1) &&
                                 code_.Punct(k - 2) == prev;  // "<<=" ">>="
        if (c == '=' && !shiftAssign &&
            (next == '=' ||
             (prev != 0 && std::string_view("=!<>").find(prev) != std::string_view::npos)))
            return 1;
        if (c == '!' && next == '=') return 1;
        if ((c == '&' && next == '&') || (c == '|' && next == '|')) return 2;
        if (next == '=' && std::string_view("+-*/%").find(c) != std::string_view::npos) return 2;
        switch (c) {
            case '?': case '=': case ',':
                return 2;
            case '+': case '-': case '*': case '/': case '%': case '<': case '>':
                return 1;
            case 0:
                break;  // a longer punctuation token
            default:
                return 0;
        }
        const std::string_view t = code_.Text(k);
        if (OneOf(t, {"+=", "-=", "*=", "/=", "&&", "||"})) return 2;
        return OneOf(t, {"<=", ">=", "==", "!="}) ? 1 : 0;
    }

    // Calls each(a, b) for the operands [a, b) of [first, last), split at
    // the binary operators of this level (a sign right after an operator
    // belongs to its operand); false as soon as an operator ends what this
    // typer reads.
    template <typename Each>
    bool SplitOperands(size_t first, size_t last, Each each) const {
        size_t start = first;
        for (size_t k = first; k < last; ++k) {
            char p = code_.Punct(k);
            if (p == '(' || p == '[') {
                k = code_.Closing(k);
                continue;
            }
            const int kind = OperatorKind(k);
            if (kind == 2) return false;
            if (kind == 0 || k == start) continue;  // a unary sign
            if (k >= start + 3 && code_.Punct(k - 1) == ')' && code_.Punct(k - 3) == '(' &&
                code_.IsIdent(k - 2) && TypeShape(code_.Text(k - 2)).rows > 0)
                continue;  // a sign after a cast: "(float3)-v"
            each(start, k);
            // "==", "!=", "<=", ">=": the operand starts after the '='.
            if (code_.Punct(k + 1) == '=' && code_.Glued(k + 1) &&
                std::string_view("=!<>").find(code_.Punct(k)) != std::string_view::npos)
                ++k;
            start = k + 1;
        }
        each(start, last);
        return true;
    }

    int Operands(size_t first, size_t last) const {
        // First whether the expression splits at all, then each operand.
        size_t count = 0;
        if (!SplitOperands(first, last, [&](size_t, size_t) { ++count; })) return 0;
        if (count == 1) return Unary(first, last);
        int result = 1;
        SplitOperands(first, last, [&](size_t a, size_t b) {
            if (result == 0) return;
            int n = Unary(a, b);
            if (n == 0) result = 0;
            else if (n > 1) result = result == 1 ? n : std::min(result, n);
        });
        return result;
    }

    // A unary sign, a cast, then a primary expression and what follows it.
    int Unary(size_t first, size_t last) const {
        while (first < last && OneOf(code_.Text(first), {"-", "+", "!", "~"})) ++first;
        if (first >= last) return 0;
        if (code_.Punct(first) == '(' && code_.IsIdent(first + 1) &&
            code_.Punct(first + 2) == ')' && first + 3 < last &&
            TypeShape(code_.Text(first + 1)).rows > 0) {  // a cast, not "(v)[0]"
            Shape cast = TypeShape(code_.Text(first + 1));
            return Unary(first + 3, last) == 0 ? 0 : cast.Components();
        }
        return Postfix(first, last);
    }

    int Postfix(size_t first, size_t last) const {
        Shape shape;
        bool array = false;
        if (!PostfixShape(first, last, &shape, &array)) return 0;
        // A matrix of more than one row and column is no vector.
        if (array || (shape.matrix && shape.rows > 1 && shape.cols > 1)) return 0;
        return shape.Components();
    }

    // The shape of a primary expression and what follows it; false when it
    // cannot be told. Telling matrices, a struct on the way (a variable, an
    // element, a call returning one) is followed through its members.
    bool PostfixShape(size_t first, size_t last, Shape* out, bool* isArray) const {
        size_t k = first;
        Shape shape;
        bool array = false;
        std::string_view structName;  // the value is this struct
        if (code_.Token(k).kind == Tok::Number) {
            shape = {1, 1, false};
            ++k;
        } else if (code_.Punct(k) == '(') {
            size_t close = code_.Closing(k);
            if (close >= last) return false;
            if (matrices_) {
                shape = Matrix(k + 1, close);
                // "(s).a": a struct variable in brackets.
                if (shape.rows == 0 && close == k + 2 && code_.IsIdent(k + 1))
                    structName = StructNamed(k + 1, &array);
                if (shape.rows == 0 && structName.empty()) return false;
            } else {
                int n = Count(k + 1, close);
                if (n == 0) return false;
                shape = {1, n, false};
            }
            k = close + 1;
        } else if (code_.IsIdent(k) && code_.Punct(k + 1) == '(') {
            size_t close = code_.Closing(k + 1);
            if (close >= last) return false;
            shape = Call(k, close);
            if (shape.rows == 0) structName = ReturnedStruct(code_.Text(k));
            k = close + 1;
        } else if (code_.IsIdent(k)) {
            if (code_.Text(k) == "true" || code_.Text(k) == "false") {
                shape = {1, 1, false};
            } else if (!Name(k, &shape, &array)) {
                // A struct's member ("s.w", "s.v.x") has its declared shape.
                structName = StructNamed(k, &array);
                if (structName.empty()) return false;
            }
            ++k;
        } else {
            return false;
        }
        while (k < last && (shape.rows > 0 || !structName.empty())) {
            if (code_.Punct(k) == '.' && code_.IsIdent(k + 1)) {
                std::string_view field = code_.Text(k + 1);
                if (!structName.empty()) {
                    if (array || !Member(&structName, field, &shape, &array)) return false;
                } else if (!shape.matrix && !array && IsSwizzle(field)) {
                    shape = {1, static_cast<int>(field.size()), false};
                } else if (shape.matrix && !array && matrices_ && field.size() > 2 &&
                           field[0] == '_') {
                    // "_11_12_13", "_m00_m01": a vector of the elements named.
                    const int n = static_cast<int>(std::count(field.begin(), field.end(), '_'));
                    if (n > 4) return false;
                    shape = {1, n, false};
                } else if (!Name(k + 1, &shape, &array)) {
                    return false;
                }
                k += 2;
            } else if (code_.Punct(k) == '[') {
                if (array) {
                    array = false;
                } else if (!structName.empty()) {
                    return false;
                } else if (shape.matrix) {
                    shape = {1, shape.cols, false};
                } else {
                    shape = {1, 1, false};
                }
                k = code_.Closing(k) + 1;
            } else {
                return false;
            }
        }
        if (k != last || shape.rows == 0 || !structName.empty()) return false;
        *out = shape;
        *isArray = array;
        return true;
    }

    // The shape of a type's name, through typedefs; rows 0 for others.
    Shape TypeShape(std::string_view type) const { return ShapeOf(outline_.Underlying(type)); }

    // The struct a variable is declared as; empty for any other.
    std::string_view StructNamed(size_t at, bool* array) const {
        const NameType* it = outline_.Declared(code_, at);
        if (it == nullptr || it->type == npos) return {};
        bool alias = false;
        const std::string_view type = outline_.Underlying(code_.Text(it->type), &alias);
        if (outline_.structsNamed.count(type) == 0) return {};
        *array = it->array || alias;
        return type;
    }

    // The struct the effect's functions of that name all return; empty
    // when they return another type or none is declared.
    std::string_view ReturnedStruct(std::string_view f) const {
        std::string_view found;
        for (size_t index : outline_.Functions(f)) {
            const std::string_view r = outline_.Underlying(code_.Text(outline_.functions[index].name - 1));
            if (outline_.structsNamed.count(r) == 0 || (!found.empty() && found != r)) return {};
            found = r;
        }
        return found;
    }

    // The member field of *structName: its shape, or the struct it is
    // (then in *structName); false when the struct has no such member.
    bool Member(std::string_view* structName, std::string_view field, Shape* shape,
                bool* array) const {
        const StructOutline* st = outline_.FindStruct(code_, *structName);
        if (st == nullptr) return false;
        for (const Declarator& m : st->members) {
            if (m.name == npos || m.type == npos || code_.Text(m.name) != field) continue;
            bool alias = false;
            const std::string_view type = outline_.Underlying(code_.Text(m.type), &alias);
            *array = m.arrayOpen != npos || alias;
            *shape = ShapeOf(type);
            *structName = shape->rows > 0 || outline_.structsNamed.count(type) == 0
                              ? std::string_view()
                              : type;
            return shape->rows > 0 || !structName->empty();
        }
        return false;
    }

    // An operator at k: the glued run of operator characters it is. Its
    // length, 0 for a token that is none.
    size_t OperatorRun(size_t k, size_t last) const {
        auto isOp = [&](size_t i) {
            const char p = code_.Punct(i);
            return p != 0 && std::string_view("+-*/%<>=!&|^~").find(p) != std::string_view::npos;
        };
        if (!isOp(k)) return 0;
        size_t n = 1;
        while (k + n < last && isOp(k + n) && (code_.Token(k + n).flags & kGlued) != 0) ++n;
        return n;
    }

    // The shape of a matrix expression (rows 0 for any other): a name or
    // member declared as one, a constructor, a cast, a function returning
    // one, transpose, mul of two, an intrinsic of one, and the operators
    // between them (a comparison of matrices is one too: of bools).
    Shape Matrix(size_t first, size_t last) const {
        if (first >= last || last > code_.size() || depth_ >= kMaxDepth) return {};
        ++depth_;
        Shape s = Selection(first, last);
        --depth_;
        return s.matrix && s.rows > 1 && s.cols > 1 ? s : Shape{};
    }

    // "c ? a : b": the shape of its values (of two matrices the smaller
    // rows and columns, a scalar spread over the other's); the operators'
    // shape when there is no '?' at this level.
    Shape Selection(size_t first, size_t last) const {
        size_t question = last, colon = last;
        int nested = 0;
        for (size_t k = first; k < last; ++k) {
            const char p = code_.Punct(k);
            if (p == '(' || p == '[' || p == '{') {
                k = code_.Closing(k);
            } else if (p == '?') {
                if (question == last) question = k;
                else ++nested;
            } else if (p == ':' && question != last && nested-- == 0) {
                colon = k;
                break;
            }
        }
        if (question == last) return MatrixOperands(first, last);
        if (colon == last) return {};
        const Shape a = Matrix(question + 1, colon), b = Matrix(colon + 1, last);
        if (a.rows > 0 && b.rows > 0)
            return {std::min(a.rows, b.rows), std::min(a.cols, b.cols), true};
        const Typer counts(code_, outline_, false);
        if (a.rows > 0 && counts.Count(colon + 1, last) == 1) return a;
        if (b.rows > 0 && counts.Count(question + 1, colon) == 1) return b;
        return {};
    }

    Shape MatrixOperands(size_t first, size_t last) const {
        size_t start = first;
        Shape found;
        auto operand = [&](size_t a, size_t b) {
            while (a < b && OperatorRun(a, b) > 0) ++a;  // unary signs and !
            if (a >= b || found.rows > 0) return;
            if (code_.Punct(a) == '(' && code_.IsIdent(a + 1) && code_.Punct(a + 2) == ')' &&
                a + 3 < b) {
                found = TypeShape(code_.Text(a + 1));  // a cast
                return;
            }
            Shape shape;
            bool array = false;
            if (PostfixShape(a, b, &shape, &array) && !array) found = shape;
        };
        for (size_t k = first; k < last; ++k) {
            const char p = code_.Punct(k);
            if (p == '(' || p == '[') {
                k = code_.Closing(k);
                continue;
            }
            if (p == '?' || p == ',' || p == ':') return {};
            const size_t run = OperatorRun(k, last);
            if (run == 0) continue;
            std::string text;  // the run's characters (each a token of its own)
            for (size_t i = k; i < k + run; ++i) text += code_.Punct(i);
            const bool assigns = text.back() == '=' && text != "==" && text != "<=" &&
                                 text != ">=" && text != "!=";
            if (assigns) return {};
            if (k > start && text != "++" && text != "--") {
                operand(start, k);
                start = k + run;
            }
            k += run - 1;
        }
        operand(start, last);
        return found;
    }

    // A variable or member by its name.
    bool Name(size_t at, Shape* shape, bool* array) const {
        const NameType* it = outline_.Declared(code_, at);
        if (it == nullptr || it->type == npos) return false;
        bool alias = false;
        *shape = ShapeOf(outline_.Underlying(code_.Text(it->type), &alias));
        *array = it->array || alias;
        return shape->rows > 0;
    }

    // A constructor, one of the effect's functions, or an intrinsic.
    Shape Call(size_t name, size_t close) const {
        std::string_view f = code_.Text(name);
        Shape constructed = TypeShape(f);
        if (constructed.rows > 0) return constructed;
        int returns = -1;
        Shape declared;
        for (size_t index : outline_.Functions(f)) {
            const FunctionOutline& fn = outline_.functions[index];
            Shape r = TypeShape(code_.Text(fn.name - 1));
            int n = r.Components();
            if (returns == -1) declared = r;
            if (returns != -1 && (r.rows != declared.rows || r.cols != declared.cols)) n = 0;
            returns = returns == -1 || returns == n ? n : 0;
        }
        if (returns > 0) return declared;
        if (returns == 0) return {};
        if (matrices_) return MatrixCall(f, name, close);
        if (OneOf(f, {"dot", "length", "distance", "determinant", "any", "all"}))
            return {1, 1, false};
        if (f.substr(0, 3) == "tex") return {1, 4, false};
        if (!KeepsShape(f)) return {};
        // These keep the shape of their arguments: all of one count.
        int n = -1;
        size_t start = name + 2;
        for (size_t k = name + 2; k <= close; ++k) {
            char p = code_.Punct(k);
            if ((p == '(' || p == '[') && k != close) {
                k = code_.Closing(k);
                continue;
            }
            if (p != ',' && k != close) continue;
            int c = Count(start, k);
            if (c == 0 || (n > 1 && c > 1 && c != n)) return {};
            n = std::max(n, c);
            start = k + 1;
        }
        return n > 0 ? Shape{1, n, false} : Shape{};
    }

    // transpose, mul of two matrices (or of a matrix and a scalar), and the
    // intrinsics that keep the shape of a matrix argument. A 1xN, Nx1 or
    // 1x1 matrix counts as one here: "mul(row, column)._11" reads the 1x1
    // the product is.
    Shape MatrixCall(std::string_view f, size_t name, size_t close) const {
        std::vector<Shape> args;
        size_t start = name + 2;
        for (size_t k = name + 2; k <= close; ++k) {
            const char p = code_.Punct(k);
            if ((p == '(' || p == '[') && k != close) {
                k = code_.Closing(k);
                continue;
            }
            if (p != ',' && k != close) continue;
            Shape arg = Matrix(start, k);
            if (arg.rows == 0) arg = OperandOf(start, k);
            args.push_back(arg);
            start = k + 1;
        }
        if (args.empty()) return {};
        const Shape a = args[0];
        auto scalar = [](Shape s) { return s.rows == 1 && s.cols == 1 && !s.matrix; };
        if (f == "transpose" && args.size() == 1 && a.matrix) return {a.cols, a.rows, true};
        if (f == "mul" && args.size() == 2) {
            const Shape b = args[1];
            if (a.matrix && b.matrix) return {a.rows, b.cols, true};
            if (a.matrix && scalar(b)) return a;
            if (scalar(a) && b.matrix) return b;
            return {};
        }
        if (!KeepsShape(f)) return {};
        if (a.matrix) return a;
        // "max(0, m)": a scalar spreads over the matrix beside it.
        if (!scalar(a)) return {};
        for (const Shape& s : args)
            if (s.matrix) return s;
        return {};
    }

    const Code& code_;
    const HlslOutline& outline_;
    const bool matrices_;
    mutable int depth_ = 0;
};

}  // namespace

int ExpressionComponents(const Code& code, const HlslOutline& outline, size_t first, size_t last) {
    return Typer(code, outline, false).Count(first, last);
}

Shape MatrixShape(const Code& code, const HlslOutline& outline, size_t first, size_t last) {
    return Typer(code, outline, true).MatrixOf(first, last);
}

Shape ValueShape(const Code& code, const HlslOutline& outline, size_t first, size_t last) {
    return Typer(code, outline, true).OperandOf(first, last);
}

}  // namespace fx
