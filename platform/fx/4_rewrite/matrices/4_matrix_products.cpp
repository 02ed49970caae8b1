// Stage 4: "*" between matrices of two shapes (see 4_matrix_products.h).
#include "platform/fx/4_rewrite/matrices/4_matrix_products.h"

#include <algorithm>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/tokenizer.h"

namespace fx {
namespace {

// The first token of the operand that ends just before token end: a name,
// a call or a bracketed group, with its members and indexes; npos when it
// is none of those.
size_t OperandStart(const Code& code, size_t end, size_t limit) {
    size_t k = end;
    while (k > limit) {
        const char p = code.Punct(k - 1);
        if (p == ')' || p == ']') {
            size_t open = k - 1;
            int depth = 0;
            for (;; --open) {
                const char q = code.Punct(open);
                if (q == ')' || q == ']') ++depth;
                if ((q == '(' || q == '[') && --depth == 0) break;
                if (open <= limit) return npos;
            }
            k = open;
            if (p == ']' && k > limit) continue;  // an element: its owner comes before
            if (p == ')' && k > limit && code.IsIdent(k - 1)) --k;  // a call
        } else if (code.IsIdent(k - 1)) {
            --k;
        } else if (code.Token(k - 1).kind == Tok::Number) {
            return k - 1;
        } else {
            return npos;
        }
        if (k > limit + 1 && code.Punct(k - 1) == '.' &&
            (code.IsIdent(k - 2) || code.Punct(k - 2) == ')' || code.Punct(k - 2) == ']')) {
            --k;  // a member: its owner comes before
            continue;
        }
        if (k > limit && code.Punct(k - 1) == '[') return npos;
        return k;
    }
    return npos;
}

// The end of the operand that starts at token first (as OperandStart).
size_t OperandEnd(const Code& code, size_t first, size_t limit) {
    size_t k = first;
    // "(float2x2)n": a cast, then its operand.
    if (code.Punct(k) == '(' && code.IsIdent(k + 1) && code.Punct(k + 2) == ')' &&
        ShapeOf(code.Text(k + 1)).rows > 0) {
        k += 3;
    }
    if (code.Punct(k) == '(') {
        k = code.Closing(k) + 1;
    } else if (code.IsIdent(k)) {
        ++k;
        if (code.Punct(k) == '(') k = code.Closing(k) + 1;
    } else if (code.Token(k).kind == Tok::Number) {
        return k + 1;
    } else {
        return npos;
    }
    while (k < limit) {
        if (code.Punct(k) == '[') k = code.Closing(k) + 1;
        else if (code.Punct(k) == '.' && code.IsIdent(k + 1)) k += 2;
        else break;
    }
    return k <= limit ? k : npos;
}

std::string Times(Shape sh) { return ShapeName(sh, "fx_times", "_"); }

// "float2x2 fx_times2x2_(float2x2 a, float2x2 b) { return float2x2(a[0] *
// b[0], a[1] * b[1]); }": row by row, each a product of vectors.
std::string Definition(Shape sh) {
    const std::string type = ShapeName(sh);
    return RowProductFunction(Times(sh), sh, type, type, true);
}

// "(float2x2)a": a cast before the operand that starts at first.
size_t CastBefore(const Code& code, size_t first, size_t limit) {
    if (first < limit + 3 || code.Punct(first - 1) != ')' || !code.IsIdent(first - 2) ||
        code.Punct(first - 3) != '(' || ShapeOf(code.Text(first - 2)).rows == 0) {
        return first;
    }
    return first - 3;
}

// "a * b * c" from the operand at first: each "*" whose left side (the
// product so far) and right operand are matrices becomes a call, the one
// before it nested inside ("fx_times2x2_(fx_times2x2_(a, b), c)"); a
// scalar operand stays a "*". Only chains of matrices of one shape and of
// scalars; the end of the chain, npos when it is left alone.
size_t Chain(const Code& code, const HlslOutline& outline, size_t first, size_t limit,
             std::set<std::pair<int, int>>* made, std::string* definitions, const TokenStream& s,
             TokenEdits* edits) {
    std::vector<std::pair<size_t, size_t>> operands;
    size_t at = first;
    size_t end = OperandEnd(code, first, limit);
    while (end != npos) {
        operands.emplace_back(at, end);
        if (code.Punct(end) != '*' || code.Punct(end + 1) == '=') break;
        at = end + 1;
        end = OperandEnd(code, at, limit);
    }
    if (end == npos || operands.size() < 3) return npos;
    const char n = code.Punct(end);
    if (n == '/' || n == '%') return npos;
    Shape shape{};
    std::vector<bool> matrix;
    for (auto [a, b] : operands) {
        const Shape sh = MatrixShape(code, outline, a, b);
        if (sh.rows > 0) {
            if (shape.rows != 0 && (sh.rows != shape.rows || sh.cols != shape.cols)) return npos;
            shape = sh;
        } else if (!(b == a + 1 && code.Token(a).kind == Tok::Number) &&
                   ExpressionComponents(code, outline, a, b) != 1) {
            return npos;
        }
        matrix.push_back(sh.rows > 0);
    }
    if (shape.rows == 0) return npos;
    bool soFar = matrix[0];
    bool any = false;
    for (size_t i = 1; i < operands.size(); ++i) {
        if (soFar && matrix[i]) {
            const size_t star = operands[i].first - 1;
            edits->Replace(code.At(first), code.At(first),
                           s.MakeTokens(Cat({Times(shape), "("}), code.Token(first)));
            edits->Replace(code.At(star), code.At(star) + 1, s.MakeTokens(",", code.Token(star)));
            edits->Replace(code.At(operands[i].second), code.At(operands[i].second),
                           s.MakeTokens(")", code.Token(operands[i].second - 1)));
            any = true;
        }
        soFar = soFar || matrix[i];
    }
    if (any && made->insert({shape.rows, shape.cols}).second) *definitions += Definition(shape);
    return end;
}

// One operation between two matrices, found: [first, k) op [right, last).
struct Operation {
    size_t first, k, right, last;
    Shape a, b, to;  // the operands' shapes and the result's
    bool product;    // '*', else + - /
    bool compound;   // "*=": a's spelling is read again
};

// The operation as Direct3D 9 computes it: "(float2x2)(m) + (float2x2)(n)",
// "fx_times2x2_(m, n)", "m = fx_times2x2_(m, n)".
void WriteOperation(const Code& code, const TokenStream& s, const Operation& o,
                    TokenEdits* edits) {
    const size_t first = o.first, k = o.k, right = o.right, last = o.last;
    const Shape a = o.a, b = o.b, to = o.to;
    const bool product = o.product, compound = o.compound;
    const SourceToken& at = code.Token(k);
    auto cast = [&](Shape from) {
        return from.rows == to.rows && from.cols == to.cols
                   ? std::string()
                   : Cat({"(", ShapeName(to), ")("});
    };
    const std::string castA = compound ? "" : cast(a), castB = cast(b);
    std::string open;
    if (!product) {
        // "(float2x2)(m) + (float2x2)(n)"
        if (!castA.empty()) {
            edits->Replace(code.At(first), code.At(first), s.MakeTokens(castA, code.Token(first)));
            edits->Replace(code.At(k), code.At(k), s.MakeTokens(")", code.Token(k - 1)));
        }
        if (!castB.empty()) {
            edits->Replace(code.At(right), code.At(right), s.MakeTokens(castB, code.Token(right)));
            edits->Replace(code.At(last), code.At(last), s.MakeTokens(")", code.Token(last - 1)));
        }
    } else if (compound) {
        // "m *= n" as "m = fx_times2x2_(m, n)"
        std::string target = s.Spelling(code.At(first), code.At(k));
        open = Cat({"= ", Times(to), "(",
                    a.rows == to.rows && a.cols == to.cols
                        ? target
                        : Cat({"(", ShapeName(to), ")(", target, ")"})});
        edits->Replace(code.At(k), code.At(k) + 2, s.MakeTokens(Cat({open, ", ", castB}), at));
    } else {
        edits->Replace(code.At(first), code.At(first),
                      s.MakeTokens(Cat({Times(to), "(", castA}), code.Token(first)));
        edits->Replace(code.At(k), code.At(k) + 1,
                      s.MakeTokens(Cat({castA.empty() ? "" : ")", ", ", castB}), at));
    }
    if (product) {
        edits->Replace(code.At(last), code.At(last),
                      s.MakeTokens(Cat({castB.empty() ? "" : ")", ")"}), code.Token(last - 1)));
    }
}

// The binary operator at code token k, its characters glued ("<=", "=="):
// its precedence (3 * / %, 2 + -, 1 < > <= >=, 0 == !=) and length; level
// -1 for any other token (an assignment, ++, a unary sign).
struct Operator {
    int level = -1;
    size_t length = 0;
};
Operator BinaryOperator(const Code& code, size_t k) {
    const char c = code.Punct(k);
    if (c == 0 || std::string_view("+-*/%<>=!").find(c) == std::string_view::npos) return {};
    // Binary only after an operand.
    if (k == 0) return {};
    const SourceToken& before = code.Token(k - 1);
    const bool after = before.kind == Tok::Ident || before.kind == Tok::Number ||
                       code.Punct(k - 1) == ')' || code.Punct(k - 1) == ']';
    if (!after || (before.kind == Tok::Ident && code.Text(k - 1) == "return")) return {};
    // The next character when it is glued on: "==", "<=", "+=", "++", "<<".
    const char n = k + 1 < code.size() && (code.Token(k + 1).flags & kGlued) != 0
                       ? code.Punct(k + 1)
                       : 0;
    if ((c == '=' || c == '!') && n == '=') return {0, 2};
    if ((c == '<' || c == '>') && n == '=') return {1, 2};
    if (n == '=' || (n == c && (c == '+' || c == '-' || c == '<' || c == '>'))) return {};
    if (c == '<' || c == '>') return {1, 1};
    if (c == '+' || c == '-') return {2, 1};
    if (c == '*' || c == '/' || c == '%') return {3, 1};
    return {};
}

// A matrix of more than one row and column.
bool FullMatrix(Shape sh) { return sh.matrix && sh.rows > 1 && sh.cols > 1; }

std::string Spelled(Shape sh) {
    if (sh.matrix) return ShapeName(sh);
    std::string type = "float";
    if (sh.cols > 1) type += std::to_string(sh.cols);
    return type;
}

// A matrix type's spelling, "float4x4", "half2x3" (1xN and Nx1 too): its
// last three characters.
bool MatrixSpelling(std::string_view t) {
    const size_t n = t.size();
    return n >= 6 && t[n - 2] == 'x' && t[n - 1] >= '1' && t[n - 1] <= '4' && t[n - 3] >= '1' &&
           t[n - 3] <= '4';
}

// The words an operand holding a matrix names: a variable or member
// declared as a matrix or a struct holding one (or a typedef of these), a
// function returning one.
// (A matrix type, in a cast or a constructor, is told by its spelling.) An
// operand without any is no matrix. A few words each effect: a list is
// quicker to search than a set.
std::vector<uint32_t> MatrixWords(const Code& code, const HlslOutline& outline) {
    // Structs holding a matrix, in a member or a member's member.
    std::unordered_set<std::string_view> holders;
    for (size_t round = 0; round < 2; ++round) {
        for (const StructOutline& st : outline.structs) {
            for (const Declarator& m : st.members) {
                if (m.type == npos) continue;
                const std::string_view type = outline.Underlying(code.Text(m.type));
                if (MatrixSpelling(type) || holders.count(type) != 0)
                    holders.insert(code.Text(st.name));
            }
        }
    }
    auto holds = [&](std::string_view written) {  // through typedefs
        const std::string_view type = outline.Underlying(written);
        return MatrixSpelling(type) || (!holders.empty() && holders.count(type) != 0);
    };
    std::vector<uint32_t> words;
    for (const auto& [name, declared] : outline.names) {
        if (declared.type != npos && declared.name != npos && holds(code.Text(declared.type)))
            words.push_back(code.Token(declared.name).text);
    }
    // A name declared as a matrix in one function and as another type in
    // another is a matrix's name too (names holds neither type).
    for (const auto& [name, list] : outline.scoped) {
        for (const ScopedName& d : list) {
            if (d.declared.type == npos || !holds(code.Text(d.declared.type))) continue;
            words.push_back(code.Token(d.declared.name).text);
            break;
        }
    }
    for (const FunctionOutline& f : outline.functions) {
        if (holds(code.Text(f.name - 1))) words.push_back(code.Token(f.name).text);
    }
    return words;
}

// A binary operator at k inside function f, with its whole operands
// [first, k) and [right, last); "m *= v" as a statement counts, its two
// sides the operands.
struct OperatorUse {
    size_t first = npos, right = npos, last = npos;
    bool compound = false;
};

OperatorUse OperandsOf(const Code& code, size_t k, const FunctionOutline& f) {
    Operator op = BinaryOperator(code, k);
    const char c = code.Punct(k);
    OperatorUse use;
    use.compound = op.level < 0 && (c == '*' || c == '+' || c == '-' || c == '/') &&
                   code.Punct(k + 1) == '=' && (code.Token(k + 1).flags & kGlued) != 0;
    if (use.compound) op = {0, 2};
    if (op.level < 0) return {};
    const size_t right = k + op.length;
    size_t first = OperandStart(code, k, f.body);
    if (!use.compound && first != npos) first = CastBefore(code, first, f.body);
    // Unary signs before an operand: "m * -v".
    auto skipSigns = [&](size_t at) {
        while (at < f.end && OneOf(code.Text(at), {"-", "+", "!", "~"})) ++at;
        return at;
    };
    size_t last = OperandEnd(code, skipSigns(right), f.end);
    // An operation bound more tightly is part of the operand
    // ("m + v * 2": v * 2), as a group in brackets is.
    while (!use.compound && first != npos && first > f.body + 1) {
        const Operator before = BinaryOperator(code, first - 1);
        if (before.level <= op.level) break;
        first = OperandStart(code, first - 1, f.body);
        if (first != npos) first = CastBefore(code, first, f.body);
    }
    while (last != npos && last < f.end) {
        const Operator after = BinaryOperator(code, last);
        if (after.level <= op.level) break;
        last = OperandEnd(code, skipSigns(last + after.length), f.end);
    }
    if (first == npos || last == npos || first >= k) return {};
    // Only where these are the operator's whole operands: an operator
    // before binds less tightly, one after not more.
    const bool whole = use.compound ? BinaryOperator(code, first - 1).level < 0 &&
                                          code.Punct(last) == ';'
                                    : BinaryOperator(code, first - 1).level < op.level &&
                                          BinaryOperator(code, last).level <= op.level;
    if (!whole) return {};
    use.first = first;
    use.right = right;
    use.last = last;
    return use;
}

// A matrix and a vector meeting at the operator at k: with as many
// components, "v * m" is made element by element (the vector cast to the
// matrix, whose product of two matrices matrix_products makes one; glslang
// would multiply a matrix by the vector made one; "v *= m" glslang takes
// element by element, "m *= v" too once v is cast); otherwise an error.
// False when it is the error.
bool MatrixWithVector(TokenRewriteState& state, size_t k, const OperatorUse& use, TokenEdits* edits) {
    const Code& code = state.code();
    const HlslOutline& outline = state.outline();
    // A scalar spreads: nothing to tell.
    const Shape a = ValueShape(code, outline, use.first, k);
    if (a.rows == 0 || a.Components() == 1) return true;
    const Shape b = ValueShape(code, outline, use.right, use.last);
    if (b.rows == 0) return true;
    const bool matrixA = FullMatrix(a);
    const bool matrixB = FullMatrix(b);
    if (matrixA == matrixB) return true;
    const Shape m = matrixA ? a : b, v = matrixA ? b : a;
    // A scalar spreads; a vector converts to a matrix of as many
    // components, a 1xN or Nx1 matrix as a vector.
    if (v.Components() == 1) return true;
    if (v.Components() == m.Components()) {
        if (code.Punct(k) != '*' || (use.compound && !matrixA)) return true;
        const size_t at = matrixA ? use.right : use.first, end = matrixA ? use.last : k;
        const TokenStream& s = *state.hlsl;
        std::string cast = "(";
        cast += ShapeName(m);
        cast += ")(";
        edits->Replace(code.At(at), code.At(at), s.MakeTokens(cast, code.Token(at)));
        edits->Replace(code.At(end), code.At(end), s.MakeTokens(")", code.Token(end - 1)));
        return true;
    }
    state.messages.Error(code.Pos(k), Cat({"'", Spelled(a), "' and '", Spelled(b),
                                           "' do not convert: a matrix and a vector meet in an "
                                           "operator only with as many components"}));
    return false;
}

// The end of the expression that starts at k inside function f: the ';',
// ',' or closing bracket at its level.
size_t ExpressionEnd(const Code& code, size_t k, const FunctionOutline& f) {
    for (; k < f.end; ++k) {
        const char p = code.Punct(k);
        if (p == '(' || p == '[' || p == '{') k = code.Closing(k);
        else if (p == ';' || p == ',' || p == ')' || p == ']' || p == '}') break;
    }
    return std::min(k, f.end);
}

// A full matrix and a vector (not a scalar) of another count of components;
// a 1xN or Nx1 matrix with a bigger one is a matrix's truncation.
bool Mismatched(Shape a, Shape b) {
    if (a.rows == 0 || b.rows == 0 || a.Components() == 1 || b.Components() == 1) return false;
    if (a.matrix && b.matrix) return false;
    return FullMatrix(a) != FullMatrix(b) && a.Components() != b.Components();
}

// The other places a matrix and a vector meet: the two values of "c ? a :
// b", the sides of "=" (a declaration's too) and of && and ||. With
// another count of components each is an error at its operator (glslang
// would crash on a ternary, and answers the others at the line's start).
bool OtherMeetings(TokenRewriteState& state, const FunctionOutline& f, size_t k) {
    const Code& code = state.code();
    const HlslOutline& outline = state.outline();
    const char p = code.Punct(k);
    const bool glued = k + 1 < code.size() && (code.Token(k + 1).flags & kGlued) != 0;
    Shape a, b;
    if (p == '?') {
        size_t colon = k + 1;
        for (int nested = 0; colon < f.end; ++colon) {
            const char q = code.Punct(colon);
            if (q == '(' || q == '[' || q == '{') colon = code.Closing(colon);
            else if (q == '?') ++nested;
            else if (q == ':' && nested-- == 0) break;
            else if (q == ';' || q == ',' || q == ')' || q == ']' || q == '}') return true;
        }
        if (colon >= f.end) return true;
        a = ValueShape(code, outline, k + 1, colon);
        b = ValueShape(code, outline, colon + 1, ExpressionEnd(code, colon + 1, f));
    } else if ((p == '&' || p == '|') && glued && code.Punct(k + 1) == p) {
        const size_t first = OperandStart(code, k, f.body);
        const size_t last = OperandEnd(code, k + 2, f.end);
        if (first == npos || last == npos) return true;
        // Only whole operands: nothing binds them more tightly.
        if (BinaryOperator(code, first - 1).level >= 0 || BinaryOperator(code, last).level >= 0)
            return true;
        a = ValueShape(code, outline, first, k);
        b = ValueShape(code, outline, k + 2, last);
    } else if (p == '=' && !(glued && code.Punct(k + 1) == '=') && k > 0 &&
               std::string_view("=!<>+-*/%&|^").find(code.Punct(k - 1)) == std::string_view::npos) {
        const size_t first = OperandStart(code, k, f.body);
        const size_t end = ExpressionEnd(code, k + 1, f);
        if (first == npos) return true;
        for (size_t q = k + 1; q < end; ++q) {  // a ternary or assignment on the right
            if (code.Punct(q) == '(' || code.Punct(q) == '[') q = code.Closing(q);
            else if (code.Punct(q) == '?' || code.Punct(q) == '=') return true;
        }
        a = ValueShape(code, outline, first, k);
        b = ValueShape(code, outline, k + 1, end);
    } else {
        return true;
    }
    if (!Mismatched(a, b)) return true;
    if (p == '=') {
        state.messages.Error(code.Pos(k), Cat({"cannot implicitly convert from '", Spelled(b),
                                               "' to '", Spelled(a), "'"}));
    } else {
        state.messages.Error(code.Pos(k), Cat({"'", Spelled(a), "' and '", Spelled(b),
                                               "' do not convert: a matrix and a vector meet in "
                                               "an operator only with as many components"}));
    }
    return false;
}

}  // namespace

bool CheckMatrixVectorOperands(TokenRewriteState& state) {
    const Code& code = state.code();
    if (!NamesShape(code, FullMatrix)) return true;
    const std::vector<uint32_t> matrices = MatrixWords(code, state.outline());
    auto names = [&](size_t i) {
        const SourceToken& t = code.Token(i);
        return t.kind == Tok::Ident &&
               (std::find(matrices.begin(), matrices.end(), t.text) != matrices.end() ||
                MatrixSpelling(code.Text(i)));
    };
    TokenEdits edits;
    bool ok = true;
    std::vector<char> named;  // by body token: a word naming a matrix
    for (const FunctionOutline& f : state.outline().functions) {
        if (f.body == npos) continue;
        named.assign(f.end - f.body, 0);
        bool any = false;
        for (size_t i = f.body + 1; i < f.end; ++i) any |= (named[i - f.body] = names(i)) != 0;
        if (!any) continue;
        auto spans = [&](size_t a, size_t b) {
            for (size_t i = a; i < b; ++i)
                if (named[i - f.body] != 0) return true;
            return false;
        };
        size_t statementEnd = f.body + 1;  // the statement's ';', '{' or '}'
        bool statement = false;            // it holds such a word
        for (size_t k = f.body + 1; k + 1 < f.end; ++k) {
            if (k >= statementEnd) {
                statement = false;
                for (statementEnd = k; statementEnd < f.end; ++statementEnd) {
                    const char p = code.Punct(statementEnd);
                    if (p == ';' || p == '{' || p == '}') break;
                    statement |= named[statementEnd - f.body] != 0;
                }
            }
            if (!statement || code.Token(k).kind != Tok::Punct) continue;
            ok = OtherMeetings(state, f, k) && ok;
            const OperatorUse use = OperandsOf(code, k, f);
            if (use.first == npos || !(spans(use.first, k) || spans(use.right, use.last))) continue;
            ok = MatrixWithVector(state, k, use, &edits) && ok;
        }
    }
    if (!ok || edits.list.empty()) return ok;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

bool RewriteMatrixProducts(TokenRewriteState& state) {
    const Code& code = state.code();
    // Most shaders multiply no two matrices: a matrix type must be named.
    if (!NamesShape(code, FullMatrix)) return true;
    const HlslOutline& outline = state.outline();
    const TokenStream& s = *state.hlsl;
    TokenEdits edits;
    std::set<std::pair<int, int>> made;
    for (const FunctionOutline& f : outline.functions) {
        if (f.body == npos) continue;
        std::string definitions;
        const size_t before = edits.list.size();
        for (size_t k = f.body + 1; k + 1 < f.end; ++k) {
            // "*" or "*=", of one token each side's operand chain.
            const char op = code.Punct(k);
            if (op != '*' && op != '+' && op != '-' && op != '/') continue;
            // + - / between two shapes: only the truncation (glslang takes
            // one shape inside the other, not a float2x3 and a float3x2).
            const bool product = op == '*';
            const bool compound = code.Punct(k + 1) == '=';
            if (!product && (compound || code.Punct(k + 1) == op)) continue;
            const size_t right = compound ? k + 2 : k + 1;
            size_t first = OperandStart(code, k, f.body);
            const size_t last = OperandEnd(code, right, f.end);
            if (first == npos || last == npos) continue;
            if (!compound) first = CastBefore(code, first, f.body);
            const char p = first > f.body + 1 ? code.Punct(first - 1) : 0;
            const char n = code.Punct(last);
            if (product && !compound && n == '*' && code.Punct(last + 1) != '=' && p != '*' &&
                p != '/' && p != '%') {
                const size_t end = Chain(code, outline, first, f.end, &made, &definitions, s, &edits);
                if (end != npos) k = end - 1;
                continue;
            }
            const Shape a = MatrixShape(code, outline, first, k);
            if (a.rows == 0) continue;
            const Shape b = MatrixShape(code, outline, right, last);
            if (b.rows == 0) continue;
            // Inside a chain "a / b * c": left alone.
            if (p == '*' || p == '/' || p == '%' || n == '*' || n == '/' || n == '%') continue;
            if ((op == '+' || op == '-') && (p == '+' || p == '-' || n == '+' || n == '-')) continue;
            // A compound assignment's left side is read twice: only a name
            // and its members.
            if (compound) {
                bool plain = true;
                for (size_t j = first; j < k && plain; ++j)
                    plain = code.IsIdent(j) || code.Punct(j) == '.';
                if (!plain || code.Punct(last) != ';') continue;
            }
            const Shape to{std::min(a.rows, b.rows), std::min(a.cols, b.cols), true};
            const bool same = to.rows == a.rows && to.cols == a.cols && to.rows == b.rows &&
                              to.cols == b.cols;
            if (!product && same) continue;
            if (!same)
                state.messages.Warning(code.Pos(k), "implicit truncation of vector type");
            if (product && made.insert({to.rows, to.cols}).second) definitions += Definition(to);
            WriteOperation(code, s, {first, k, right, last, a, b, to, product, compound}, &edits);
            k = last - 1;
        }
        if (definitions.empty()) continue;
        const size_t start = DeclarationStart(code, f);
        edits.list.insert(edits.list.begin() + static_cast<std::ptrdiff_t>(before),
                          {code.At(start), code.At(start), s.MakeTokens(definitions, code.Token(start))});
    }
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

bool WarnOperandWidths(TokenRewriteState& state) {
    const Code& code = state.code();
    const HlslOutline& outline = state.outline();
    auto vector = [](Shape sh) { return !sh.matrix && sh.rows == 1 && sh.cols > 1; };
    for (const FunctionOutline& f : outline.functions) {
        if (f.body == npos) continue;
        for (size_t k = f.body + 1; k + 1 < f.end; ++k) {
            if (code.Token(k).kind != Tok::Punct || BinaryOperator(code, k).level < 0) continue;
            const OperatorUse use = OperandsOf(code, k, f);
            if (use.first == npos || use.compound) continue;
            const Shape a = ValueShape(code, outline, use.first, k);
            if (!vector(a)) continue;
            const Shape b = ValueShape(code, outline, use.right, use.last);
            if (!vector(b) || a.cols == b.cols) continue;
            state.messages.Warning(code.Pos(use.first), "implicit truncation of vector type");
        }
    }
    return true;
}

}  // namespace fx
