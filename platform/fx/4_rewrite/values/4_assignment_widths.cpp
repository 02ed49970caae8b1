// Stage 4: an assignment of fewer components than its vector holds (see
// 4_assignment_widths.h).
#include "platform/fx/4_rewrite/values/4_assignment_widths.h"

#include <string>
#include <string_view>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

// The components of the left side that ends before the operator at op and
// whose name is at i; 0 when the declarations do not tell.
int LeftComponents(const Code& code, const HlslOutline& outline, size_t i, size_t op) {
    const NameType* found = outline.Declared(code, i);
    if (found == nullptr || found->type == npos) return 0;
    const Shape shape = ShapeOf(outline.Underlying(code.Text(found->type)));
    if (shape.rows == 0 || shape.matrix) return 0;
    int count = shape.Components();
    size_t k = i + 1;
    if (code.Punct(k) == '[') {
        if (!found->array) return 0;  // an element of a vector: one
        k = code.Closing(k) + 1;
    } else if (found->array) {
        return 0;
    }
    if (code.Punct(k) == '.' && code.IsIdent(k + 1)) {
        const std::string_view w = code.Text(k + 1);
        if (w.find_first_not_of("xyzwrgba") != std::string_view::npos) return 0;
        count = static_cast<int>(w.size());
        k += 2;
    }
    return k == op ? count : 0;
}

}  // namespace

bool CheckAssignmentWidths(TokenRewriteState& state) {
    const Code& code = state.code();
    const HlslOutline& outline = state.outline();
    bool ok = true;
    for (const FunctionOutline& f : outline.functions) {
        if (f.body == npos) continue;
        for (size_t i = f.body + 1; i + 2 < f.end; ++i) {
            // A statement's left side: "a = e;", "a.xy += e;", "s[1] -= e;".
            const char before = code.Punct(i - 1);
            if (!code.IsIdent(i) || !(before == ';' || before == '{' || before == '}')) continue;
            size_t op = PastAccessors(code, i + 1);
            const bool compound = std::string_view("+-*/%").find(code.Punct(op)) != std::string_view::npos &&
                                  code.Punct(op) != 0 && code.Punct(op + 1) == '=' && code.Glued(op + 1);
            const size_t eq = compound ? op + 1 : op;
            if (code.Punct(eq) != '=' || (code.Punct(eq + 1) == '=' && code.Glued(eq + 1))) continue;
            const int left = LeftComponents(code, outline, i, op);
            const size_t end = ExpressionEnd(code, eq + 1);
            const int right = left > 2 ? ExpressionComponents(code, outline, eq + 1, end) : 0;
            if (right < 2 || right >= left) continue;
            state.messages.Error(code.Pos(op),
                                 Cat({"'", compound ? std::string_view(&code.Text(op)[0], 1) : "",
                                      "=': ", std::to_string(right), " components cannot be stored in ",
                                      std::to_string(left), " (a vector takes a scalar or as many "
                                      "components or more)"}));
            ok = false;
        }
    }
    return ok;
}

}  // namespace fx
