// Stage 4: the types the shape rewrites need, told from declarations (see
// 4_hlsl_outline.h). Only the number of components of an expression is
// worked out: numbers, names, constructors, casts, swizzles, members,
// indexing, calls of the effect's own functions and of the intrinsics that
// keep their argument's shape, and the arithmetic between them (a scalar
// spreads, two vectors give the shorter one, as Direct3D 9 truncates).
#include <algorithm>

#include "platform/fx/4_hlsl_outline.h"

namespace fx {

Shape ShapeOf(std::string_view type) {
    if (type.empty() || std::string_view("fhiubdm").find(type[0]) == std::string_view::npos)
        return {};
    for (std::string_view b : {"float", "half", "int", "uint", "bool", "double", "dword",
                               "min16float", "min10float", "min16int", "min12int", "min16uint"}) {
        if (type.substr(0, b.size()) != b) continue;
        std::string_view rest = type.substr(b.size());
        auto dim = [](char c) { return c >= '1' && c <= '4'; };
        if (rest.empty()) return {1, 1, false};
        if (rest.size() == 1 && dim(rest[0])) return {1, rest[0] - '0', false};
        if (rest.size() == 3 && dim(rest[0]) && rest[1] == 'x' && dim(rest[2]))
            return {rest[0] - '0', rest[2] - '0', true};
        return {};
    }
    return {};
}

namespace {

constexpr size_t npos = Declarator::npos;

bool IsSwizzle(std::string_view s) {
    if (s.empty() || s.size() > 4) return false;
    return s.find_first_not_of("xyzw") == std::string_view::npos ||
           s.find_first_not_of("rgba") == std::string_view::npos;
}

bool OneOf(std::string_view s, std::initializer_list<std::string_view> list) {
    return std::find(list.begin(), list.end(), s) != list.end();
}

class Typer {
public:
    Typer(const Code& code, const HlslOutline& outline) : code_(code), outline_(outline) {}

    int Count(size_t first, size_t last) const {
        // Nesting past kMaxDepth is not worth telling (and the stack stays small).
        if (first >= last || last > code_.size() || depth_ >= kMaxDepth) return 0;
        ++depth_;
        int n = Operands(first, last);
        --depth_;
        return n;
    }

private:
    static constexpr int kMaxDepth = 32;

    int Operands(size_t first, size_t last) const {
        // Split at the binary operators of this level.
        std::vector<std::pair<size_t, size_t>> operands;
        size_t start = first;
        for (size_t k = first; k < last; ++k) {
            char p = code_.Punct(k);
            if (p == '(' || p == '[') {
                k = code_.Closing(k);
                continue;
            }
            std::string_view t = code_.Text(k);
            if (code_.Token(k).kind != Tok::Punct) continue;
            if (OneOf(t, {"?", "=", "+=", "-=", "*=", "/=", ",", "&&", "||"})) return 0;
            const bool binary =
                OneOf(t, {"+", "-", "*", "/", "%", "<", ">", "<=", ">=", "==", "!="});
            if (!binary || k == start) continue;  // a unary sign
            operands.emplace_back(start, k);
            start = k + 1;
        }
        operands.emplace_back(start, last);
        if (operands.size() == 1) return Unary(first, last);
        int result = 1;
        for (auto [a, b] : operands) {
            int n = Unary(a, b);
            if (n == 0) return 0;
            if (n > 1) result = result == 1 ? n : std::min(result, n);
        }
        return result;
    }

    // A unary sign, a cast, then a primary expression and what follows it.
    int Unary(size_t first, size_t last) const {
        while (first < last && OneOf(code_.Text(first), {"-", "+", "!", "~"})) ++first;
        if (first >= last) return 0;
        if (code_.Punct(first) == '(' && code_.IsIdent(first + 1) &&
            code_.Punct(first + 2) == ')' && first + 3 < last) {
            Shape cast = ShapeOf(code_.Text(first + 1));
            return Unary(first + 3, last) == 0 ? 0 : cast.Components();
        }
        return Postfix(first, last);
    }

    int Postfix(size_t first, size_t last) const {
        size_t k = first;
        Shape shape;
        bool array = false;
        if (code_.Token(k).kind == Tok::Number) {
            shape = {1, 1, false};
            ++k;
        } else if (code_.Punct(k) == '(') {
            size_t close = code_.Closing(k);
            int n = Count(k + 1, close);
            if (n == 0 || close >= last) return 0;
            shape = {1, n, false};
            k = close + 1;
        } else if (code_.IsIdent(k) && code_.Punct(k + 1) == '(') {
            size_t close = code_.Closing(k + 1);
            if (close >= last) return 0;
            shape = Call(k, close);
            k = close + 1;
        } else if (code_.IsIdent(k)) {
            if (code_.Text(k) == "true" || code_.Text(k) == "false") {
                shape = {1, 1, false};
            } else if (!Name(k, &shape, &array)) {
                return 0;
            }
            ++k;
        } else {
            return 0;
        }
        while (k < last && shape.rows > 0) {
            if (code_.Punct(k) == '.' && code_.IsIdent(k + 1)) {
                std::string_view field = code_.Text(k + 1);
                if (!shape.matrix && !array && IsSwizzle(field)) {
                    shape = {1, static_cast<int>(field.size()), false};
                } else if (!Name(k + 1, &shape, &array)) {
                    return 0;
                }
                k += 2;
            } else if (code_.Punct(k) == '[') {
                if (array) {
                    array = false;
                } else if (shape.matrix) {
                    shape = {1, shape.cols, false};
                } else {
                    shape = {1, 1, false};
                }
                k = code_.Closing(k) + 1;
            } else {
                return 0;
            }
        }
        // A matrix of more than one row and column is no vector.
        if (k != last || array || (shape.matrix && shape.rows > 1 && shape.cols > 1)) return 0;
        return shape.Components();
    }

    // A variable or member by its name.
    bool Name(size_t at, Shape* shape, bool* array) const {
        auto it = outline_.names.find(code_.Text(at));
        if (it == outline_.names.end() || it->second.type == npos) return false;
        *shape = ShapeOf(code_.Text(it->second.type));
        *array = it->second.array;
        return shape->rows > 0;
    }

    // A constructor, one of the effect's functions, or an intrinsic.
    Shape Call(size_t name, size_t close) const {
        std::string_view f = code_.Text(name);
        Shape constructed = ShapeOf(f);
        if (constructed.rows > 0) return constructed;
        int returns = -1;
        for (size_t index : outline_.Functions(f)) {
            const FunctionOutline& fn = outline_.functions[index];
            int n = ShapeOf(code_.Text(fn.name - 1)).Components();
            returns = returns == -1 || returns == n ? n : 0;
        }
        if (returns > 0) return {1, returns, false};
        if (returns == 0) return {};
        if (OneOf(f, {"dot", "length", "distance", "determinant", "any", "all"}))
            return {1, 1, false};
        if (f.substr(0, 3) == "tex") return {1, 4, false};
        if (!OneOf(f, {"normalize", "saturate", "abs",   "frac",      "floor", "ceil", "sqrt",
                       "rsqrt",     "exp",      "exp2",  "log",       "log2",  "sin",  "cos",
                       "tan",       "sign",     "round", "trunc",     "ddx",   "ddy",  "fwidth",
                       "radians",   "degrees",  "min",   "max",       "pow",   "step", "lerp",
                       "clamp",     "fmod",     "atan2", "smoothstep"})) {
            return {};
        }
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

    const Code& code_;
    const HlslOutline& outline_;
    mutable int depth_ = 0;
};

}  // namespace

int ExpressionComponents(const Code& code, const HlslOutline& outline, size_t first, size_t last) {
    return Typer(code, outline).Count(first, last);
}

}  // namespace fx
