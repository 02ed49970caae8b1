// Stage 4: the initial values of the effect's globals (see
// EvaluateInitializers in 4_rewrite_hlsl.h).
//
// Implemented: [x] literals (suffixes, hex, true / false), constructors
//                  (float4(1, v.xy...) of literals), initializer lists,
//                  casts (to arrays too), unary - + ! ~, binary + - * / %,
//                  | ^ & << >> (on integers),
//                  comparisons, && and || (per component, 0 or 1), ?: (a
//                  vector condition picks per component), parentheses
//              [x] float arithmetic folded in 32 bits, as the shader computes
//                  it: (16777216.0 + 1.0) - 16777216.0 is 0
//              [x] int arithmetic on ints (division truncates) folded in 32
//                  bits: an int wraps, a uint (a `u` literal, a cast) stays
//                  unsigned, an unsuffixed literal of 2^31 or more is a
//                  wrapped int; bool and int
//                  globals as Direct3D 9 keeps them in registers (1.0 / 0.0,
//                  whole numbers)
//              [x] names of static consts and of globals declared before,
//                  with their initial values (of their type), and swizzles
//                  of those names (.xyzw / .rgba)
//              [x] intrinsics of constants (intrinsics/4_constant_intrinsics),
//                  as the calls compute them at run time; mul, transpose and
//                  determinant by the shapes of matrix constructors, casts
//                  and globals
//              [x] constant indexes of vectors and matrices (m[1], m[1][2],
//                  transpose(m)[0].xy), swizzles after parentheses, calls,
//                  constructors and numbers (1.xxx)
//              [x] an element of an array declared before (a[1], a[1].y,
//                  m[1][0] of an array of matrices)
// Not implemented: arrays of arrays indexed, the effect's own functions:
// such an initializer is a warning and reads zero.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"
#include "platform/fx/4_rewrite/intrinsics/4_constant_intrinsics.h"
#include "platform/fx/shared/tables.h"
#include "platform/fx/shared/tokenizer.h"

namespace fx {
namespace {

struct Value {
    std::vector<double> v;
    bool integer = false;
    bool isUnsigned = false;  // an integer that folds as a uint
    int rows = 0, cols = 0;   // a matrix's shape (row by row); 0 otherwise
    // An array's: its dimensions, each element's components and shape.
    int arrayDims = 0, elementSize = 0, elementRows = 0, elementCols = 0;
};

// An integer folded in 32 bits from its exact bits: a uint keeps the low 32
// bits, an int wraps into -2^31 .. 2^31 - 1.
double InitialValueBits32(unsigned long long bits, bool isUnsigned) {
    const auto low = static_cast<uint32_t>(bits);
    return isUnsigned ? static_cast<double>(low) : static_cast<double>(static_cast<int32_t>(low));
}

// A whole number held as a double, as the 64 bits that fold it (0 when it
// is past them: such a value only comes from a float converted).
long long InitialValueAsBits(double x) {
    return std::fabs(x) < 9.0e18 ? static_cast<long long>(x) : 0;
}

// A matrix type's shape on value (none for another type).
void ShapeAs(std::string_view type, Value* value) {
    const Shape shape = ShapeOf(type);
    const bool matrix = shape.matrix && static_cast<size_t>(shape.Components()) == value->v.size();
    value->rows = matrix ? shape.rows : 0;
    value->cols = matrix ? shape.cols : 0;
}

// "float4", "int", "bool2x2", "half" ...: the base name's kind; 0 otherwise.
char NumericType(std::string_view word) {
    static const struct {
        const char* name;
        char kind;  // 'f' float, 'i' integer, 'b' bool
    } kBases[] = {{"float", 'f'}, {"half", 'f'},  {"double", 'f'}, {"min16float", 'f'},
                  {"int", 'i'},   {"uint", 'u'},  {"dword", 'i'},  {"bool", 'b'}};
    for (const auto& base : kBases) {
        std::string_view b = base.name;
        if (word.substr(0, b.size()) != b) continue;
        std::string_view rest = word.substr(b.size());
        auto dim = [](char c) { return c >= '1' && c <= '4'; };
        if (rest.empty() || (rest.size() == 1 && dim(rest[0])) ||
            (rest.size() == 3 && dim(rest[0]) && rest[1] == 'x' && dim(rest[2]))) {
            return base.kind;
        }
    }
    return 0;
}

// A value as an int, uint or bool global or cast keeps it: a uint keeps
// the value it held (as the registers hold it), an int given a negative
// int as a uint folds it modulo 2^32 (`(uint)-1` is 4294967295).
void Convert(char kind, Value* value) {
    const bool fromInt = value->integer && !value->isUnsigned;
    value->integer = kind != 'f';
    value->isUnsigned = kind == 'u';
    for (double& x : value->v) {
        if (kind == 'i' || kind == 'u') x = std::trunc(x);
        if (kind == 'u' && fromInt && x < 0) x += 4294967296.0;
        if (kind == 'b') x = x != 0 ? 1 : 0;
    }
}

using KnownValues = std::map<std::string, Value, std::less<>>;

// A type's name through the effect's typedefs ("vec4" of "typedef float4
// vec4;" is "float4"), a few steps deep; any other word itself.
// The type names Direct3D 9 predefines in capitals are theirs unless the
// effect declares the name ("DWORD d = 0xFFFFFFFF;" is an int's -1).
std::string_view Underlying(std::string_view word, const TypeAliases& aliases) {
    for (int step = 0; step < 8 && !aliases.empty(); ++step) {
        auto it = aliases.find(word);
        if (it == aliases.end() || it->second == word) break;
        word = it->second;
    }
    static constexpr std::pair<std::string_view, std::string_view> kPredefined[] = {
        {"DWORD", "int"}, {"FLOAT", "float"}, {"VECTOR", "float4"}, {"MATRIX", "float4x4"}};
    for (const auto& [name, type] : kPredefined)
        if (word == name && aliases.find(name) == aliases.end()) return type;
    return word;
}

class Evaluator {
public:
    Evaluator(std::string_view text, const KnownValues& known, const TypeAliases& aliases)
        : text_(text), tokens_(Tokenize(text)), known_(known), aliases_(aliases) {}

    bool Run(Value* out) {
        if (!Init(out, 0)) return false;
        if (pos_ != tokens_.size()) return Fail("unexpected '" + Word() + "'");
        return true;
    }
    const std::string& error() const { return error_; }

private:
    static constexpr int kMaxDepth = 64;
    static constexpr size_t kMaxValues = 4096;

    bool Fail(std::string why) {
        if (error_.empty()) error_ = std::move(why);
        return false;
    }
    std::string Word(size_t at) const {
        if (at >= tokens_.size()) return "";
        return std::string(text_.substr(tokens_[at].begin, tokens_[at].end - tokens_[at].begin));
    }
    std::string Word() const { return Word(pos_); }
    // The word at `at` as a type: a typedef's name as the type it stands for.
    std::string TypeWord(size_t at) const {
        return std::string(Underlying(Word(at), aliases_));
    }
    bool Is(const char* word, size_t at) const { return Word(at) == word; }
    bool Is(const char* word) const { return Is(word, pos_); }
    bool Take(const char* word) {
        if (!Is(word)) return false;
        ++pos_;
        return true;
    }

    // An expression or a brace list, flattened.
    bool Init(Value* out, int depth) {
        if (depth > kMaxDepth) return Fail("it nests too deeply");
        if (!Take("{")) return Expression(out, depth + 1);
        out->v.clear();
        while (!Take("}")) {
            Value part;
            if (!Init(&part, depth + 1)) return false;
            out->v.insert(out->v.end(), part.v.begin(), part.v.end());
            if (out->v.size() > kMaxValues) return Fail("it is too long");
            if (!Take(",") && !Is("}")) return Fail("expected ',' or '}' at '" + Word() + "'");
        }
        return true;
    }

    static bool Combine(char op, const Value& a, const Value& b, Value* out, std::string* why) {
        const size_t n = std::max(a.v.size(), b.v.size());
        if ((a.v.size() != n && a.v.size() != 1) || (b.v.size() != n && b.v.size() != 1)) {
            *why = "the sizes differ";
            return false;
        }
        out->integer = a.integer && b.integer;
        out->isUnsigned = out->integer && (a.isUnsigned || b.isUnsigned);
        const bool compares = op == '<' || op == '>' || op == 'l' || op == 'g' || op == 'e' ||
                              op == 'n' || op == '&' || op == '|';
        const Value& shaped = a.rows > 0 && a.v.size() == n ? a : b;
        out->rows = shaped.v.size() == n ? shaped.rows : 0;
        out->cols = shaped.v.size() == n ? shaped.cols : 0;
        out->v.resize(n);
        for (size_t i = 0; i < n; ++i) {
            const double x = a.v[a.v.size() == 1 ? 0 : i], y = b.v[b.v.size() == 1 ? 0 : i];
            double r = 0;
            if (compares) {
                switch (op) {
                    case '<': r = x < y; break;
                    case '>': r = x > y; break;
                    case 'l': r = x <= y; break;
                    case 'g': r = x >= y; break;
                    case 'e': r = x == y; break;
                    case 'n': r = x != y; break;
                    case '&': r = x != 0 && y != 0; break;
                    default: r = x != 0 || y != 0; break;
                }
                out->v[i] = r;
                continue;
            }
            if (std::string_view("oxaLR").find(op) != std::string_view::npos) {
                if (!out->integer) {
                    *why = "bitwise operators take integers";
                    return false;
                }
                out->v[i] = FoldBits(op, InitialValueAsBits(x), InitialValueAsBits(y), out->isUnsigned);
                continue;
            }
            if (out->integer) {
                if ((op == '/' || op == '%') && y == 0) {
                    *why = "division by zero";
                    return false;
                }
                out->v[i] = FoldInts(op, InitialValueAsBits(x), InitialValueAsBits(y), out->isUnsigned);
                continue;
            }
            // Floats fold in 32 bits, as the shader computes them.
            const float fx = static_cast<float>(x), fy = static_cast<float>(y);
            switch (op) {
                case '+': r = fx + fy; break;
                case '-': r = fx - fy; break;
                case '*': r = fx * fy; break;
                case '/': r = fx / fy; break;
                default:
                    if (fy == 0) {
                        *why = "division by zero";
                        return false;
                    }
                    r = std::fmod(fx, fy);
                    break;
            }
            out->v[i] = r;
        }
        if (compares) {  // a bool per component
            out->integer = true;
            out->isUnsigned = false;
        }
        return true;
    }

    // + - * / % of two integers, in 32 bits: ints wrap, uints stay unsigned;
    // / and % truncate toward zero (the remainder has the dividend's sign).
    static double FoldInts(char op, long long x, long long y, bool isUnsigned) {
        const auto ux = static_cast<unsigned long long>(x), uy = static_cast<unsigned long long>(y);
        switch (op) {
            case '+': return InitialValueBits32(ux + uy, isUnsigned);
            case '-': return InitialValueBits32(ux - uy, isUnsigned);
            case '*': return InitialValueBits32(ux * uy, isUnsigned);
            default: break;
        }
        if (isUnsigned) {
            const auto a = static_cast<uint32_t>(ux), b = static_cast<uint32_t>(uy);
            return static_cast<double>(op == '/' ? a / b : a % b);
        }
        return InitialValueBits32(static_cast<unsigned long long>(op == '/' ? x / y : x % y), false);
    }

    // | ^ & << >> of two integers, in 32 bits; >> of an int keeps its sign,
    // of a uint shifts in zeros; a shift counts its low five bits.
    static double FoldBits(char op, long long x, long long y, bool isUnsigned) {
        const auto a = static_cast<uint32_t>(x);
        const unsigned shift = static_cast<unsigned>(y) & 31u;
        uint32_t r = 0;
        switch (op) {
            case 'o': r = a | static_cast<uint32_t>(y); break;
            case 'x': r = a ^ static_cast<uint32_t>(y); break;
            case 'a': r = a & static_cast<uint32_t>(y); break;
            case 'L': r = a << shift; break;
            default:
                r = isUnsigned ? a >> shift
                               : static_cast<uint32_t>(static_cast<int32_t>(a) >> shift);
                break;
        }
        return InitialValueBits32(r, isUnsigned);
    }

    bool Expression(Value* out, int depth) { return Conditional(out, depth); }

    // "c ? a : b": a scalar condition picks a value, a vector one a
    // component of either for each of its components.
    bool Conditional(Value* out, int depth) {
        if (depth > kMaxDepth) return Fail("it nests too deeply");
        Value condition;
        if (!Binary(&condition, depth + 1, 0)) return false;
        if (!Take("?")) {
            *out = std::move(condition);
            return true;
        }
        Value a, b;
        if (!Expression(&a, depth + 1)) return false;
        if (!Take(":")) return Fail("expected ':' at '" + Word() + "'");
        if (!Conditional(&b, depth + 1)) return false;
        const size_t n = std::max({condition.v.size(), a.v.size(), b.v.size()});
        auto fits = [n](const Value& x) { return x.v.size() == n || x.v.size() == 1; };
        if (!fits(condition) || !fits(a) || !fits(b)) return Fail("the sizes differ");
        out->integer = a.integer && b.integer;
        out->isUnsigned = out->integer && (a.isUnsigned || b.isUnsigned);
        const Value& shaped = a.v.size() == n ? a : b;
        out->rows = shaped.v.size() == n ? shaped.rows : 0;
        out->cols = shaped.v.size() == n ? shaped.cols : 0;
        out->v.resize(n);
        auto at = [](const Value& x, size_t i) { return x.v[x.v.size() == 1 ? 0 : i]; };
        for (size_t i = 0; i < n; ++i) out->v[i] = at(condition, i) != 0 ? at(a, i) : at(b, i);
        return true;
    }

    // The operator at the cursor as Combine names it, and how many tokens
    // spell it (the tokenizer gives each character alone); 0 for another.
    char OperatorAt(int* length) const {
        const std::string first = Word(), second = Word(pos_ + 1);
        *length = 2;
        if (first == "|" && second == "|") return '|';
        if (first == "&" && second == "&") return '&';
        if (first == "=" && second == "=") return 'e';
        if (first == "!" && second == "=") return 'n';
        if (first == "<" && second == "=") return 'l';
        if (first == ">" && second == "=") return 'g';
        if (first == "<" && second == "<") return 'L';
        if (first == ">" && second == ">") return 'R';
        *length = 1;
        if (first == "|") return 'o';
        if (first == "&") return 'a';
        if (first == "^") return 'x';
        if (first.size() == 1 && std::string_view("<>+-*/%").find(first[0]) != std::string_view::npos)
            return first[0];
        return 0;
    }

    // Binary operators by precedence, lowest first: ||, &&, |, ^, &, == !=,
    // < > <= >=, << >>, + -, * / %.
    bool Binary(Value* out, int depth, int level) {
        static constexpr std::string_view kLevels[] = {"|", "&", "o", "x", "a", "en", "<>lg", "LR", "+-", "*/%"};
        constexpr int kLast = static_cast<int>(std::size(kLevels)) - 1;
        if (depth > kMaxDepth) return Fail("it nests too deeply");
        auto operand = [&](Value* v) {
            return level == kLast ? Unary(v, depth + 1) : Binary(v, depth, level + 1);
        };
        if (!operand(out)) return false;
        for (;;) {
            int length = 0;
            const char op = OperatorAt(&length);
            if (op == 0 || kLevels[level].find(op) == std::string_view::npos) return true;
            pos_ += static_cast<size_t>(length);
            Value right;
            if (!operand(&right)) return false;
            std::string why;
            Value result;
            if (!Combine(op, *out, right, &result, &why)) return Fail(why);
            *out = std::move(result);
        }
    }

    bool Unary(Value* out, int depth) {
        if (depth > kMaxDepth) return Fail("it nests too deeply");
        const std::string op = Word();
        if (op == "~") {
            ++pos_;
            if (!Unary(out, depth + 1)) return false;
            if (!out->integer) return Fail("'~' takes integers");
            for (double& x : out->v)
                x = InitialValueBits32(~static_cast<unsigned long long>(InitialValueAsBits(x)),
                                       out->isUnsigned);
            return true;
        }
        if (op == "-" || op == "+" || op == "!") {
            ++pos_;
            if (!Unary(out, depth + 1)) return false;
            for (double& x : out->v) {
                if (op == "!") x = x == 0 ? 1 : 0;
                if (op == "-" && out->integer)
                    x = InitialValueBits32(0ull - static_cast<unsigned long long>(InitialValueAsBits(x)),
                                           out->isUnsigned);
                else if (op == "-") x = -x;
            }
            if (op == "!") {
                out->integer = true;
                out->isUnsigned = false;
            }
            return true;
        }
        return Primary(out, depth + 1);
    }

    bool Number(Value* out) {
        std::string word = Word();
        const std::string spelled = word;
        ++pos_;
        const bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
        while (!word.empty() && !hex && std::string("fFhHlLuU").find(word.back()) != std::string::npos)
            word.pop_back();
        while (!word.empty() && hex && std::string("uUlL").find(word.back()) != std::string::npos)
            word.pop_back();
        char* end = nullptr;
        const bool real = !hex && word.find_first_of(".eE") != std::string::npos;
        // An integer literal folds in 32 bits: with a `u` it is a uint, without
        // one an int (2147483648 and 0x80000000 wrap to -2147483648).
        const bool unsignedSuffix = !real && spelled.find_first_of("uU") != std::string::npos;
        const double value = real ? static_cast<float>(std::strtod(word.c_str(), &end))
                                  : InitialValueBits32(std::strtoull(word.c_str(), &end, 0), unsignedSuffix);
        if (word.empty() || end != word.c_str() + word.size()) return Fail("cannot read '" + word + "'");
        out->v = {value};
        out->integer = !real;
        out->isUnsigned = unsignedSuffix;
        return true;
    }

    bool Primary(Value* out, int depth) {
        if (pos_ >= tokens_.size()) return Fail("it ends early");
        const Token& t = tokens_[pos_];
        const std::string word = Word();
        if (t.kind == Tok::Number) return Number(out) && Postfix(out, depth);  // "1.xxx"
        if (word == "true" || word == "false") {
            ++pos_;
            out->v = {word == "true" ? 1.0 : 0.0};
            out->integer = true;
            out->isUnsigned = false;
            return true;
        }
        if (word == "{") return Init(out, depth);
        if (word == "(") {
            // A cast to an array, "(float[4])m", "(float2[2])v": the first
            // components in order, a scalar in every one.
            if (tokens_.size() > pos_ + 5 && NumericType(TypeWord(pos_ + 1)) != 0 && Is("[", pos_ + 2) &&
                tokens_[pos_ + 3].kind == Tok::Number && Is("]", pos_ + 4) && Is(")", pos_ + 5)) {
                const char kind = NumericType(TypeWord(pos_ + 1));
                const size_t n = static_cast<size_t>(Components(TypeWord(pos_ + 1))) *
                                 std::strtoul(Word(pos_ + 3).c_str(), nullptr, 0);
                if (n == 0 || n > kMaxValues) return Fail("the array's size cannot be read");
                pos_ += 6;
                if (!Unary(out, depth + 1)) return false;
                if (out->v.size() == 1) out->v.assign(n, out->v[0]);
                if (out->v.size() < n) return Fail("it has fewer components than the array");
                out->v.resize(n);
                Convert(kind, out);
                return true;
            }
            // A cast: "(float)x", "(int2)v".
            if (tokens_.size() > pos_ + 2 && NumericType(TypeWord(pos_ + 1)) != 0 && Is(")", pos_ + 2)) {
                const std::string type = TypeWord(pos_ + 1);
                const char kind = NumericType(type);
                pos_ += 3;
                if (!Unary(out, depth + 1)) return false;
                Convert(kind, out);
                ShapeAs(type, out);
                return true;
            }
            ++pos_;
            if (!Expression(out, depth + 1)) return false;
            if (!Take(")")) return Fail("expected ')' at '" + Word() + "'");
            return Postfix(out, depth);
        }
        if (const std::string type = TypeWord(pos_); NumericType(type) != 0 && Is("(", pos_ + 1)) {
            const char kind = NumericType(type);
            pos_ += 2;
            out->v.clear();
            while (!Take(")")) {
                Value part;
                if (!Expression(&part, depth + 1)) return false;
                out->v.insert(out->v.end(), part.v.begin(), part.v.end());
                if (out->v.size() > kMaxValues) return Fail("it is too long");
                if (!Take(",") && !Is(")")) return Fail("expected ',' or ')' at '" + Word() + "'");
            }
            Convert(kind, out);
            ShapeAs(type, out);
            return Postfix(out, depth);
        }
        if (t.kind == Tok::Ident && IsConstantIntrinsic(word) && Is("(", pos_ + 1))
            return Call(out, depth + 1);
        if (auto k = known_.find(word); t.kind == Tok::Ident && k != known_.end()) {
            ++pos_;
            *out = k->second;
            return Postfix(out, depth);
        }
        return Fail("'" + word + "' is not a constant it can evaluate");
    }

    // "pow(2, K.x)": an intrinsic of constants, as the call computes it at
    // run time; a swizzle may follow.
    bool Call(Value* out, int depth) {
        const std::string name = Word();
        pos_ += 2;
        std::vector<ConstantValue> args;
        while (!Take(")")) {
            Value part;
            if (!Expression(&part, depth + 1)) return false;
            args.push_back({std::move(part.v), part.integer, part.rows, part.cols});
            if (!Take(",") && !Is(")")) return Fail("expected ',' or ')' at '" + Word() + "'");
        }
        ConstantValue result;
        std::string why;
        if (!EvaluateIntrinsic(name, args, &result, &why)) return Fail(why);
        out->v = std::move(result.v);
        out->integer = result.integer;
        out->isUnsigned = false;
        out->rows = result.rows;
        out->cols = result.cols;
        return Postfix(out, depth);
    }

    // Indexes and swizzles after a value, in any order: "m[1].xy", "v[2]".
    bool Postfix(Value* out, int depth) {
        while (Is("[") || Is(".")) {
            if (Is(".")) {
                if (!Swizzle(out)) return false;
                continue;
            }
            ++pos_;
            Value index;
            if (!Expression(&index, depth + 1)) return false;
            if (!Take("]")) return Fail("expected ']' at '" + Word() + "'");
            if (index.v.size() != 1 || index.v[0] < 0) return Fail("an index it cannot evaluate");
            const size_t i = static_cast<size_t>(index.v[0]);
            Value picked;
            picked.integer = out->integer;
            picked.isUnsigned = out->isUnsigned;
            if (out->arrayDims > 1) return Fail("indexing an array of arrays");
            if (out->arrayDims == 1) {  // an element, of the element's type
                const auto size = static_cast<size_t>(out->elementSize);
                if (size == 0 || (i + 1) * size > out->v.size()) return Fail("an index past the array's end");
                const auto element = out->v.begin() + static_cast<std::ptrdiff_t>(i * size);
                picked.v.assign(element, element + static_cast<std::ptrdiff_t>(size));
                picked.rows = out->elementRows;
                picked.cols = out->elementCols;
            } else if (out->rows > 0) {  // a matrix's row
                if (i >= static_cast<size_t>(out->rows)) return Fail("an index past the matrix's rows");
                const auto row = out->v.begin() + static_cast<std::ptrdiff_t>(i * out->cols);
                picked.v.assign(row, row + out->cols);
            } else if (out->v.size() <= 4) {  // a vector's component
                if (i >= out->v.size()) return Fail("an index past the vector's components");
                picked.v = {out->v[i]};
            } else {
                return Fail("indexing an array");
            }
            *out = std::move(picked);
        }
        return true;
    }

    // "K.xy", "C.bgr" after a name.
    bool Swizzle(Value* out) {
        if (!Is(".")) return true;
        const std::string mask = Word(pos_ + 1);
        static const std::string_view kSets[] = {"xyzw", "rgba"};
        for (std::string_view set : kSets) {
            if (mask.empty() || mask.size() > 4 || mask.find_first_not_of(set) != std::string::npos)
                continue;
            Value picked;
            picked.integer = out->integer;
            picked.isUnsigned = out->isUnsigned;
            for (char c : mask) {
                const size_t i = set.find(c);
                if (out->v.size() == 1 && i == 0) {
                    picked.v.push_back(out->v[0]);
                } else if (i < out->v.size() && out->v.size() <= 4) {
                    picked.v.push_back(out->v[i]);
                } else {
                    return Fail("'." + mask + "' is past its components");
                }
            }
            pos_ += 2;
            *out = std::move(picked);
            return true;
        }
        return Fail("'." + mask + "' is not a swizzle it can evaluate");
    }

    std::string_view text_;
    std::vector<Token> tokens_;
    const KnownValues& known_;
    const TypeAliases& aliases_;
    size_t pos_ = 0;
    std::string error_;
};

}  // namespace

TypeAliases NumericTypedefs(const TokenStream& hlsl) {
    TypeAliases aliases;
    const std::vector<SourceToken>& t = hlsl.tokens;
    auto text = [&](size_t i) { return i < t.size() ? hlsl.Text(t[i]) : std::string_view(); };
    for (size_t i = 0; i < t.size(); ++i) {
        if (text(i) != "typedef") continue;
        size_t k = i + 1;
        while (k < t.size() && IsQualifier(text(k))) ++k;
        // "vector<float, 3>" and "matrix<float, 3, 4>" as float3, float3x4.
        std::string type(text(k++));
        if ((type == "vector" || type == "matrix") && text(k) == "<") {
            std::string spelled(text(k + 1));
            spelled += text(k + 3);
            size_t close = k + 4;
            if (type == "matrix" && text(k + 4) == ",") {
                spelled += "x";
                spelled += text(k + 5);
                close = k + 6;
            }
            if (text(close) != ">") continue;
            type = spelled;
            k = close + 1;
        }
        type = std::string(Underlying(type, aliases));
        if (NumericType(type) == 0) continue;
        // "typedef float4 a, b;": each name; an array's ("q[2]") is left out.
        for (; k < t.size() && text(k) != ";"; ++k) {
            if (t[k].kind == Tok::Ident && text(k + 1) != "[") aliases[std::string(text(k))] = type;
            if (text(k + 1) == "[") break;
        }
    }
    return aliases;
}

std::map<std::string, std::vector<float>> EvaluateInitializers(
    const std::vector<GlobalInitializer>& initializers, MessageSink& warnings,
    const TypeAliases& aliases) {
    std::map<std::string, std::vector<float>> values;
    // The values read so far, for the initializers that name them.
    KnownValues known;
    for (const GlobalInitializer& g : initializers) {
        Evaluator evaluator(g.value, known, aliases);
        const std::string_view type = Underlying(g.type, aliases);
        Value value;
        known.erase(g.name);
        if (!evaluator.Run(&value)) {
            // A static const the compiler folds is no register: only an
            // initializer naming it says what cannot be read.
            if (g.isStatic) continue;
            values[g.name].clear();
            warnings.Add(WarningAt(g.pos, "the initial value of '" + g.name +
                                              "' cannot be evaluated (" + evaluator.error() +
                                              "); it starts at zero"));
            continue;
        }
        // Registers hold ints as whole numbers and bools as 1.0 / 0.0.
        const char kind = NumericType(type);
        if (kind != 0) Convert(kind, &value);
        // "float4 v = 1;" is 1 in every component.
        const int components = Components(type);
        if (value.v.size() == 1 && components > 1 && g.arrayDims == 0)
            value.v.assign(components, value.v[0]);
        ShapeAs(type, &value);
        if (g.arrayDims > 0) {  // "a[1]" reads an element of the type
            Value element;
            element.v.assign(static_cast<size_t>(std::max(components, 1)), 0.0);
            ShapeAs(type, &element);
            value.rows = value.cols = 0;
            value.arrayDims = g.arrayDims;
            value.elementSize = components;
            value.elementRows = element.rows;
            value.elementCols = element.cols;
        }
        if (kind != 0) known[g.name] = value;
        if (g.isStatic) continue;
        std::vector<float>& out = values[g.name];
        out.clear();
        for (double x : value.v) out.push_back(static_cast<float>(x));
    }
    return values;
}

}  // namespace fx
