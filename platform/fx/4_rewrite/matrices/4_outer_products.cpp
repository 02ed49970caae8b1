// Stage 4: mul of a column by a row (see 4_outer_products.h).
#include "platform/fx/4_rewrite/matrices/4_outer_products.h"

#include <set>
#include <string>
#include <string_view>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/tokenizer.h"

namespace fx {
namespace {

std::string Outer(int rows, int cols) { return ShapeName({rows, cols, true}, "fx_outer", "_"); }

// "float4x3 fx_outer4x3_(float4 a, float3 b) { return float4x3(a[0] * b,
// ...); }"
std::string Definition(int rows, int cols) {
    return RowProductFunction(Outer(rows, cols), {rows, cols, true}, ShapeName({1, rows, false}),
                              ShapeName({1, cols, false}), false);
}

}  // namespace

bool RewriteOuterProducts(TokenRewriteState& state) {
    const Code& code = state.code();
    // Most shaders have no Nx1 matrix: then mul is always as glslang has it.
    if (!NamesShape(code, [](Shape sh) { return sh.matrix && sh.cols == 1 && sh.rows > 1; }))
        return true;
    const HlslOutline& outline = state.outline();
    TokenEdits edits;
    std::set<std::pair<int, int>> made;
    for (const FunctionOutline& f : outline.functions) {
        if (f.body == npos) continue;
        std::string definitions;
        const size_t before = edits.list.size();
        for (size_t k = f.body + 1; k + 1 < f.end; ++k) {
            if (!code.IsIdent(k) || code.Text(k) != "mul" || code.Punct(k + 1) != '(' ||
                code.Punct(k - 1) == '.') {
                continue;
            }
            const auto items = ListItems(code, k + 1, code.Closing(k + 1));
            if (items.size() != 2) continue;
            const Shape a = ValueShape(code, outline, items[0].first, items[0].second);
            const Shape b = ValueShape(code, outline, items[1].first, items[1].second);
            if (!a.matrix || a.cols != 1 || a.rows < 2 || !b.matrix || b.rows != 1 || b.cols < 2)
                continue;
            if (made.insert({a.rows, b.cols}).second) definitions += Definition(a.rows, b.cols);
            edits.Replace(code.At(k), code.At(k) + 1,
                          state.hlsl->MakeTokens(Outer(a.rows, b.cols), code.Token(k)));
        }
        if (definitions.empty()) continue;
        const size_t first = DeclarationStart(code, f);
        edits.list.insert(edits.list.begin() + static_cast<std::ptrdiff_t>(before),
                          {code.At(first), code.At(first),
                           state.hlsl->MakeTokens(definitions, code.Token(first))});
    }
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
