// Stage 4: mul of two shapes that do not meet (see 4_mul_shapes.h).
#include "platform/fx/4_rewrite/matrices/4_mul_shapes.h"

#include <string>
#include <string_view>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

bool Vector(Shape s) { return !s.matrix && s.cols > 1; }
bool Matrix(Shape s) { return s.matrix && s.rows > 1 && s.cols > 1; }
// A 1xN matrix on the left and an Nx1 on the right multiply as a vector.
bool Row(Shape s) { return s.matrix && s.rows == 1 && s.cols > 1; }
bool Column(Shape s) { return s.matrix && s.cols == 1 && s.rows > 1; }

}  // namespace

bool RewriteMulShapes(TokenRewriteState& state) {
    const Code& code = state.code();
    // The calls "mul(" (not a method ".mul("); most shaders have a few.
    std::vector<size_t> calls;
    for (size_t i = 1; i + 1 < code.size(); ++i) {
        if (code.IsIdent(i) && code.Text(i) == "mul" && code.Punct(i + 1) == '(' &&
            code.Punct(i - 1) != '.') {
            calls.push_back(i);
        }
    }
    if (calls.empty()) return true;
    const HlslOutline& outline = state.outline();
    // An effect's own mul is not the intrinsic.
    if (!outline.Functions("mul").empty()) return true;
    const TokenStream& s = *state.hlsl;
    TokenEdits edits;
    for (const size_t k : calls) {
        const auto items = ListItems(code, k + 1, code.Closing(k + 1));
        if (items.size() != 2) continue;
        const Shape a = ValueShape(code, outline, items[0].first, items[0].second);
        const Shape b = ValueShape(code, outline, items[1].first, items[1].second);
        // An Nx1 by a matrix multiplies the matrix's first row, a matrix by
        // a 1xN the matrix's first column: each then a column by a row,
        // which outer_products (after this) takes.
        const bool outer = (Column(a) && Matrix(b)) || (Matrix(a) && Row(b));
        const bool ok = outer || ((Vector(a) || Matrix(a) || Row(a)) &&
                                  (Vector(b) || Matrix(b) || Column(b)));
        if (!ok) continue;
        // The inner dimensions: a's columns (a vector's length) and b's
        // rows (a vector's length, as a column).
        const int inner = a.cols, rows = b.matrix ? b.rows : b.cols;
        if (inner == rows) continue;
        Shape to;
        size_t first, last;
        if (inner > rows) {
            to = Matrix(a) ? Shape{a.rows, rows, true} : Shape{1, rows, false};
            if (outer) to = Shape{a.rows, 1, true};
            first = items[0].first;
            last = items[0].second;
        } else {
            to = Matrix(b) ? Shape{inner, b.cols, true} : Shape{1, inner, false};
            if (outer) to = Shape{1, b.cols, true};
            first = items[1].first;
            last = items[1].second;
        }
        state.messages.Warning(code.Pos(k), "implicit truncation of vector type");
        std::string cast = "(";
        cast += ShapeName(to);  // the type a truncated operand is cast to
        // A matrix's first column, as the column it is (glslang holds an
        // Nx1 as a vector, to which a cast takes the first row).
        cast += outer && inner > rows ? ")(transpose(" : ")(";
        std::string close = outer && inner > rows ? ")[0])" : ")";
        edits.Replace(code.At(first), code.At(first), s.MakeTokens(cast, code.Token(first)));
        edits.Replace(code.At(last), code.At(last), s.MakeTokens(close, code.Token(last - 1)));
    }
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
