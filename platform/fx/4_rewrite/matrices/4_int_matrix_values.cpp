// Stage 4: values an int matrix makes without being a variable of one
// (see 4_int_matrices.h): "transpose(m)[0]", "(m + m)[1][0]", "mul(v, m)",
// "F()[1]" are ints, and "m / 4" of a whole int matrix divides as ints
// do (each element truncated toward zero). glslang holds these matrices
// as float ones, so what it computes of them is a float until it is made
// an int again here.
#include <algorithm>
#include <string>
#include <string_view>

#include "platform/fx/4_rewrite/matrices/4_int_matrices_rewrite.h"

namespace fx {
namespace int_matrices {

namespace {

// 'i' for int, uint and bool types (scalars, vectors, matrices), 'f' for
// float, half and double ones, 0 for any other (a struct, a sampler).
char NumberKind(std::string_view type) {
    if (ShapeOf(type).rows == 0) return 0;
    for (std::string_view b : {"bool", "int", "uint", "dword", "min16int", "min12int", "min16uint"})
        if (type.substr(0, b.size()) == b) return 'i';
    return 'f';
}

bool KeepsInts(std::string_view intrinsic) {
    return intrinsic == "transpose" || intrinsic == "abs" || intrinsic == "min" ||
           intrinsic == "max" || intrinsic == "clamp" || intrinsic == "mul";
}

}  // namespace

// The kind of the value of the expression in code tokens [first, last):
// 'i' when every number in it is an int or a bool, 'f' when one is a
// float, 0 when some name or call cannot be told. *intMatrix is the type
// of an int matrix that takes part (a variable, a member, a constructor or cast,
// a function returning one).
char IntMatrices::ValueKind(size_t first, size_t last, std::string_view* intMatrix, int depth) const {
    if (depth > 16) return 0;
    char kind = 'i';
    // Whether the value that ends before after is the whole matrix (no
    // element, row or swizzle of it taken), after the index of an array;
    // what follows last is not the expression's.
    auto whole = [&](size_t after, bool array) {
        if (array) {
            if (after >= last || code_.Punct(after) != '[') return false;
            after = code_.Closing(after) + 1;
        }
        return after >= last || (code_.Punct(after) != '[' && code_.Punct(after) != '.');
    };
    auto take = [&](char k) {
        if (k == 0) return false;
        if (k == 'f') kind = 'f';
        return true;
    };
    for (size_t k = first; k < last && k < code_.size();) {
        const char p = code_.Punct(k);
        if (p == '?') {  // the condition's kind is not the value's
            kind = 'i';
            *intMatrix = {};
            ++k;
        } else if (p == '[' || p == '(') {
            const size_t close = code_.Closing(k);
            if (close >= last) return 0;
            if (p == '(' && close == k + 2 && code_.IsIdent(k + 1) &&
                NumberKind(outline_.Underlying(code_.Text(k + 1))) != 0) {  // a cast
                const std::string_view type = outline_.Underlying(code_.Text(k + 1));
                if (MatrixKind(type) == 'i') *intMatrix = type;
                if (!take(NumberKind(type))) return 0;
                const size_t operand = CastOperandEnd(code_, outline_, close + 1);
                if (operand == npos || operand > last) return 0;
                k = operand;
                continue;
            } else if (p == '(' && !take(ValueKind(k + 1, close, intMatrix, depth + 1))) {
                return 0;
            }
            k = close + 1;
        } else if (p == '.') {
            // A member, or a swizzle (of the kind before it).
            if (code_.IsIdent(k + 1)) {
                auto member = members_.find(code_.Text(k + 1));
                if (member != members_.end()) {
                    if (Kind(member->second.type) == 'i' && whole(k + 2, member->second.array))
                        *intMatrix = member->second.type;
                    kind = kind == 'f' ? 'f' : 'i';
                }
            }
            k += 2;
        } else if (code_.Token(k).kind == Tok::Number) {
            const std::string_view t = code_.Text(k);
            const bool hex = t.size() > 1 && (t[1] == 'x' || t[1] == 'X');
            if (!hex && t.find_first_of(".eEfFhH") != std::string_view::npos) kind = 'f';
            ++k;
        } else if (code_.IsIdent(k)) {
            const std::string_view word = code_.Text(k);
            // true, false, and the zero an intrinsic's rewrite adds to take
            // a matrix as a value: none changes the kind.
            if (word == "true" || word == "false" || word == "fx_zero_") {
                ++k;
                continue;
            }
            if (code_.Punct(k + 1) == '(') {  // a call or a constructor
                const size_t close = code_.Closing(k + 1);
                if (close >= last) return 0;
                const std::string_view type = outline_.Underlying(word);
                if (NumberKind(type) != 0) {
                    if (MatrixKind(type) == 'i' && whole(close + 1, false)) *intMatrix = type;
                    take(NumberKind(type));
                } else if (!outline_.Functions(word).empty()) {
                    char returned = 0;
                    for (size_t n : outline_.Functions(word)) {
                        const std::string_view r =
                            outline_.Underlying(code_.Text(outline_.functions[n].returnType));
                        const char kindOf = NumberKind(r);
                        if (returned != 0 && returned != kindOf) return 0;
                        returned = kindOf;
                        if (MatrixKind(r) == 'i' && whole(close + 1, false)) *intMatrix = r;
                    }
                    if (!take(returned)) return 0;
                } else if (KeepsInts(word)) {
                    if (!take(ValueKind(k + 2, close, intMatrix, depth + 1))) return 0;
                } else if (word == "sign" && close > k + 2) {
                    // An int of every value: of a matrix an int matrix of its shape.
                    const Shape shape = MatrixShape(code_, outline_, k + 2, close);
                    if (shape.rows >= 2 && shape.rows <= 4 && shape.cols >= 2 && shape.cols <= 4 &&
                        whole(close + 1, false)) {
                        static const std::string_view kIntMatrices[3][3] = {
                            {"int2x2", "int2x3", "int2x4"},
                            {"int3x2", "int3x3", "int3x4"},
                            {"int4x2", "int4x3", "int4x4"}};
                        *intMatrix = kIntMatrices[shape.rows - 2][shape.cols - 2];
                    }
                } else {
                    return 0;
                }
                k = close + 1;
                continue;
            }
            const NameType* known = Declared(k);
            if (known == nullptr || known->type == npos) {
                // The struct a member is read of: the member tells.
                if (code_.Punct(k + 1) == '.' || code_.Punct(k + 1) == '[') {
                    ++k;
                    continue;
                }
                return 0;
            }
            const std::string_view type = outline_.Underlying(code_.Text(known->type));
            if (MatrixKind(type) == 'i' && whole(k + 1, known->array)) *intMatrix = type;
            const char kindOf = NumberKind(type);
            if (kindOf == 0 && code_.Punct(k + 1) != '.' && code_.Punct(k + 1) != '[') return 0;
            if (kindOf != 0) take(kindOf);
            ++k;
        } else {
            ++k;
        }
    }
    return kind;
}

// The first token of the operand that ends before k: a number, a name
// with its members and elements, a call, or a bracketed expression; npos
// when it is none of those.
size_t IntMatrices::OperandStart(size_t k) const {
    if (k == 0) return npos;
    size_t p = k - 1;
    if (code_.Token(p).kind == Tok::Number) return p;
    while (true) {
        if (code_.Punct(p) == ')' || code_.Punct(p) == ']') {
            const size_t open = OpeningBracket(code_, p);
            if (open == npos) return npos;
            if (open > 0 && code_.IsIdent(open - 1)) {
                p = open - 1;
            } else if (code_.Punct(p) == ')') {
                return open;
            } else {
                return npos;
            }
        }
        if (!code_.IsIdent(p)) return npos;
        const std::string_view w = code_.Text(p);
        if (w == "return" || w == "if" || w == "while" || w == "for" || w == "switch") return npos;
        if (p >= 2 && code_.Punct(p - 1) == '.') {
            p -= 2;
            continue;
        }
        return p;
    }
}

// The values of int matrices made by expressions: their elements, rows
// and swizzles as ints, a product with a vector as ints, and a whole
// matrix divided by an int truncated.
void IntMatrices::Values() {
    for (size_t k = 1; k + 1 < code_.size(); ++k) {
        const char p = code_.Punct(k);
        if (p == ')') {
            const size_t open = OpeningBracket(code_, k);
            if (open == npos) continue;
            const bool call = open > 0 && code_.IsIdent(open - 1);
            const size_t start = call ? open - 1 : open;
            const char next = code_.Punct(k + 1);
            const bool product = call && code_.Text(start) == "mul";
            if (next != '[' && next != '.' && !product) continue;
            if (call && (Declared(start) != nullptr || code_.Text(start) == "if" ||
                         code_.Text(start) == "while" || code_.Text(start) == "for"))
                continue;
            if (!call && open + 2 == k && code_.IsIdent(open + 1) && Declared(open + 1) == nullptr)
                continue;  // a cast
            std::string_view intMatrix;
            if (ValueKind(start, k + 1, &intMatrix, 0) != 'i' || intMatrix.empty()) continue;
            const size_t past = fx::PastAccessors(code_, k + 1);
            if (past == k + 1 && (!product || MatrixShape(code_, outline_, start, past).rows >= 2))
                continue;
            // Written ("(m)[0] = e", "(m)[1]++", "modf(x, (m)[0])"): left as it is.
            // ("(m)[0] -= e", "(m)[0] <<= e": the '=' within the operator's tokens.)
            bool written = StepAt(code_, past) || (start >= 2 && StepAt(code_, start - 2)) ||
                           MayBeWritten(start, past);
            for (size_t at = past; at < past + 3 && !written; ++at) {
                if (code_.Punct(at) == '=') written = AssignmentAt(code_, at);
                if (code_.Punct(at) == 0 || code_.Punct(at) == '=' || (at > past && !code_.Glued(at)))
                    break;
            }
            if (written) continue;
            // The shape of what the accessors reach of the matrix made.
            Shape made = MatrixShape(code_, outline_, start, k + 1);
            if (made.rows < 2 && !product) made = ShapeOf(FloatType(intMatrix));
            int n = 0;
            if (made.rows >= 2) {
                const std::string reached = Reached(ShapeName(made), k + 1, past);
                if (ShapeOf(reached).matrix) continue;
                n = reached.empty() ? 0 : ShapeOf(reached).Components();
            } else {
                n = ExpressionComponents(code_, outline_, start, past);
            }
            const auto args = ListItems(code_, start + 1, k);
            if (product && n == 0 && args.size() == 2) {
                // A vector times a matrix: as many as its columns; a
                // matrix times a vector: as many as its rows.
                const Shape a = ValueShape(code_, outline_, args[0].first, args[0].second);
                const Shape b = ValueShape(code_, outline_, args[1].first, args[1].second);
                if (a.matrix && !b.matrix) n = a.rows;
                if (!a.matrix && b.matrix) n = b.cols;
                // Then its element or swizzle.
                for (size_t at = k + 1; n > 0 && at < past;) {
                    if (code_.Punct(at) == '[') {
                        n = 1;
                        at = code_.Closing(at) + 1;
                    } else if (code_.Punct(at) == '.' && code_.IsIdent(at + 1)) {
                        n = static_cast<int>(code_.Text(at + 1).size());
                        at += 2;
                    } else {
                        n = 0;
                    }
                }
            }
            if (n >= 1 && n <= 4) elementReads_.push_back({start, past, n});
        } else if (p == '/' && code_.Punct(k + 1) != '=') {
            // "m / 4": the left operand a whole int matrix, the right an int.
            // "2 * m / 4" divides 2 * m: back over the operators of its rank.
            size_t start = OperandStart(k);
            while (start != npos && start >= 2 &&
                   (code_.Punct(start - 1) == '*' || code_.Punct(start - 1) == '/' ||
                    code_.Punct(start - 1) == '%'))
                start = OperandStart(start - 1);
            if (start == npos || start == 0) continue;
            const char before = code_.Punct(start - 1);
            if (before == '*' || before == '/' || before == '%' || before == '.') continue;
            std::string_view intMatrix;
            if (ValueKind(start, k, &intMatrix, 0) != 'i' || intMatrix.empty()) continue;
            Shape left = MatrixShape(code_, outline_, start, k);
            // (A product with a vector is a vector of ints already.)
            if (left.rows < 2 && code_.Text(start) != "mul") left = ShapeOf(FloatType(intMatrix));
            if (left.rows < 2) continue;
            size_t end = k + 1;
            while (code_.Punct(end) == '-' || code_.Punct(end) == '+') ++end;
            if (code_.IsIdent(end) && code_.Punct(end + 1) == '(') end += 1;
            if (code_.Punct(end) == '(') end = code_.Closing(end);
            if (end >= code_.size()) continue;
            end = fx::PastAccessors(code_, end + 1);
            std::string_view ignored;
            if (ValueKind(k + 1, end, &ignored, 0) != 'i') continue;
            wraps_.push_back({start, end, 'i', FloatType("int" + std::to_string(left.rows) + "x" +
                                                         std::to_string(left.cols)),
                              start, true});
        }
    }
}

}  // namespace int_matrices
}  // namespace fx
