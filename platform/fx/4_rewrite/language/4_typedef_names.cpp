// Stage 4: typedefs of scalars and vectors by their types (see
// 4_typedef_names.h).
#include "platform/fx/4_rewrite/language/4_typedef_names.h"

#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {

// The word at i is a name being declared ("v3 v3;"): a type stands before
// it, not a qualifier or keyword.
bool AfterType(const Code& code, size_t i) {
    if (i == 0 || !code.IsIdent(i - 1)) return false;
    const std::string_view w = code.Text(i - 1);
    return !IsQualifier(w) && !OneOf(w, {"return", "in", "out", "inout", "uniform", "case", "else",
                                         "do", "inline", "typedef"});
}

// A typedef of an array, "typedef float4 Quad[4];": its element type and
// its size's brackets, by code token.
struct ArrayTypedef {
    size_t type = 0;
    size_t open = 0;
    size_t close = 0;
};

// Past a declarator's name at i and the brackets after it.
size_t PastBrackets(const Code& code, size_t i) {
    size_t k = i + 1;
    while (code.Punct(k) == '[') k = code.Closing(k) + 1;
    return k;
}

// A use of an array typedef's name at i: the name becomes the element type
// and each name it declares takes the size after its own ("Quad q, r[2];"
// is "float4 q[4], r[2][4];"); in a cast, "(Quad)v" is "(float4[4])v".
void SpellArrayUse(TokenRewriteState& state, size_t i, const ArrayTypedef& a, TokenEdits* edits) {
    const Code& code = state.code();
    // A function returning one ("Quad f()") is left for glslang to refuse.
    if (code.IsIdent(i + 1) && code.Punct(i + 2) == '(') return;
    std::vector<SourceToken> size;  // written where the name is used
    for (size_t k = a.open; k <= a.close; ++k)
        size.push_back(state.hlsl->Make(code.Token(k).kind, code.Text(k), code.Token(i)));
    edits->Replace(code.At(i), code.At(i) + 1,
                   {state.hlsl->Make(Tok::Ident, code.Text(a.type), code.Token(i))});
    if (code.Punct(i + 1) == ')') {
        edits->Replace(code.At(i) + 1, code.At(i) + 1, size);
        return;
    }
    if (!code.IsIdent(i + 1)) return;
    size_t after = PastBrackets(code, i + 1);
    edits->Replace(code.At(after), code.At(after), size);
    // The names after it in the same declaration: "NAME" then '[', '=',
    // ',', ':' or ';'; a parameter list's next parameter starts with a type.
    for (size_t k = after; k < code.size();) {
        const char p = code.Punct(k);
        if (p == ';' || p == ')' || p == '}') return;
        if (p == '(' || p == '[' || p == '{') {
            k = code.Closing(k) + 1;
            continue;
        }
        if (p == ',' && code.IsIdent(k + 1) &&
            std::string_view("[=,:;").find(code.Punct(k + 2)) != std::string_view::npos &&
            code.Punct(k + 2) != 0) {
            after = PastBrackets(code, k + 1);
            edits->Replace(code.At(after), code.At(after), size);
            k = after;
            continue;
        }
        ++k;
    }
}

// The ';' that ends a typedef's list of names from its first name at i:
// each name with at most one size ("NAME" or "NAME[N]"), commas between;
// 0 for any other form (several sizes, qualifiers, a struct).
size_t TypedefListEnd(const Code& code, size_t i) {
    for (size_t k = i;;) {
        if (!code.IsIdent(k)) return 0;
        size_t after = k + 1;
        if (code.Punct(after) == '[') after = code.Closing(after) + 1;
        if (code.Punct(after) == ';') return after;
        if (code.Punct(after) != ',') return 0;
        k = after + 1;
    }
}

}  // namespace

bool ReplaceTypedefNames(TokenRewriteState& state) {
    const Code& code = state.code();
    // The typedef names met so far (only later uses change), by the code
    // token of the type each stands for.
    std::unordered_map<std::string_view, size_t> types;
    std::unordered_map<std::string_view, ArrayTypedef> arrays;
    // A matrix's packing is the #pragma pack_matrix in force where its
    // typedef stands; without one, an array typedef of matrices can be
    // spelled out where it is used.
    bool packPragma = false;
    for (size_t i = 0; i < code.size() && !packPragma; ++i)
        packPragma = code.Token(i).kind == Tok::Directive && code.Text(i).find("pack_matrix") != std::string_view::npos;
    TokenEdits edits;
    for (size_t i = 0; i < code.size(); ++i) {
        if (!code.IsIdent(i)) continue;
        const std::string_view w = code.Text(i);
        if (w == "typedef" && code.IsIdent(i + 1) && code.IsIdent(i + 2)) {
            // Each name of the list ("typedef float4 Colour, Quad[4];")
            // stands for the type, an array of it when brackets follow.
            const size_t end = TypedefListEnd(code, i + 2);
            if (end == 0) continue;
            const auto known = types.find(code.Text(i + 1));
            const Shape shape = ShapeOf(code.Text(i + 1));
            const size_t type = known != types.end() ? known->second : i + 1;
            for (size_t k = i + 2; k < end; k = PastBrackets(code, k) + 1) {
                if (code.Punct(k + 1) == '[') {
                    // Of a struct too: "typedef S Pair[2]; Pair p = { ... };"
                    // declares two S, which the initializer lists fill.
                    if (known != types.end() || (shape.rows == 1 && !shape.matrix) ||
                        (shape.matrix && !packPragma) ||
                        state.outline().FindStruct(code, code.Text(i + 1)) != nullptr)
                        arrays[code.Text(k)] = {type, k + 1, code.Closing(k + 1)};
                } else if (known != types.end() || (shape.rows == 1 && !shape.matrix)) {
                    types[code.Text(k)] = type;
                }
            }
            i = end;
            continue;
        }
        if ((types.empty() && arrays.empty()) || (i > 0 && code.Punct(i - 1) == '.') ||
            AfterType(code, i))
            continue;
        if (const auto array = arrays.find(w); array != arrays.end()) {
            SpellArrayUse(state, i, array->second, &edits);
            continue;
        }
        const auto found = types.find(w);
        if (found == types.end()) continue;
        edits.Replace(code.At(i), code.At(i) + 1,
                      {state.hlsl->Make(Tok::Ident, code.Text(found->second), code.Token(i))});
    }
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
