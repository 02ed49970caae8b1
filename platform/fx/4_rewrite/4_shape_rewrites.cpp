// Stage 4: rewrites of declarations and statements that Direct3D 9 takes
// and glslang does not (see 4_rewrite_hlsl.h), from the outline of the
// HLSL tokens and the declared types it names (the "shapes" entry of
// 4_token_rewrites.h):
// - "switch (x)" on an int a rewrite made a float switches on int(x);
// - "export" before a function is dropped;
// - a declaration of an entry point before its definition is dropped
//   (glslang takes it for a second function that calls itself);
// - a 1xN (or Nx1) matrix is a vector, its element arrays and swizzles
//   read as the vector's; a cast of a bigger matrix to an Nx1 keeps the top
//   of its first column, as does a bigger matrix given to one (with the
//   truncation warning);
// - implicit truncations (4_truncations.h).
// Initializer lists and the logic of matrices have files of their own
// (4_initializer_lists.cpp, 4_matrix_logic.cpp).
#include <algorithm>
#include <set>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/4_rewrite/4_truncations.h"

namespace fx {
namespace {

constexpr size_t npos = Declarator::npos;

// "_12_13" or "_m01_m02" on a 1xN (or Nx1) matrix made a vector: the
// vector's swizzle ("yz"); empty when it is not one.
std::string VectorSwizzle(std::string_view field, bool oneRow) {
    std::string out;
    size_t k = 0;
    while (k < field.size()) {
        if (field[k] != '_' || out.size() >= 4) return {};
        ++k;
        int base = 1;
        if (k < field.size() && field[k] == 'm') {
            base = 0;
            ++k;
        }
        if (k + 2 > field.size()) return {};
        int row = field[k] - '0' - base;
        int col = field[k + 1] - '0' - base;
        k += 2;
        if (row < 0 || row > 3 || col < 0 || col > 3) return {};
        int component = oneRow ? col : row;
        if ((oneRow ? row : col) != 0) return {};
        out += "xyzw"[component];
    }
    return out;
}

// The elements of a 1xN (or Nx1) matrix that a swizzle names ("_12",
// "_m01", "y"), by their place in it; empty when it names none.
std::vector<int> SwizzleElements(std::string_view field, Shape shape) {
    std::vector<int> out;
    const int n = shape.rows * shape.cols;
    if (!field.empty() && field[0] != '_') {
        for (char c : field) {
            size_t k = std::string_view("xyzw").find(c);
            if (k == std::string_view::npos) k = std::string_view("rgba").find(c);
            if (k == std::string_view::npos || static_cast<int>(k) >= n || out.size() == 4) return {};
            out.push_back(static_cast<int>(k));
        }
        return out;
    }
    for (size_t k = 0; k < field.size();) {
        if (field[k] != '_' || out.size() == 4) return {};
        ++k;
        const int base = k < field.size() && field[k] == 'm' ? 0 : 1;
        if (base == 0) ++k;
        if (k + 2 > field.size()) return {};
        const int row = field[k] - '0' - base, col = field[k + 1] - '0' - base;
        k += 2;
        if (row < 0 || col < 0 || row >= shape.rows || col >= shape.cols) return {};
        out.push_back(shape.rows == 1 ? col : row);
    }
    return out;
}

// "m[i][0]" on an Nx1 matrix made a vector (or an array of N): its row i
// is the one element, so the column's index after the row's closing
// bracket at close goes.
void DropColumnIndex(const Code& code, size_t close, TokenEdits* edits) {
    if (close + 1 >= code.size() || code.Punct(close + 1) != '[') return;
    const size_t column = code.Closing(close + 1);
    if (column < code.size()) edits->list.push_back({code.At(close + 1), code.At(column) + 1, {}});
}

// A uniform column-major 1xN or row-major Nx1 matrix takes N registers, an
// element in each: glslang cannot lay out such a matrix, but an array of N
// has those registers. So "float1x4 m" is declared "float m[4]", "m._12"
// or "m.y" reads "m[1]", and "m" itself (or the 1xN's row "m[0]") is
// "float4(m[0], m[1], m[2], m[3])".
void ElementArrays(const TokenStream& s, const Code& code, const HlslOutline& outline,
                   const std::vector<bool>& kept, TokenEdits* edits) {
    for (const auto& [declared, nt] : outline.names) {
        if (!nt.uniform || nt.array || nt.type == npos || nt.name == npos || !kept[nt.type]) continue;
        const std::string_view name = declared;  // (lambdas cannot capture a binding in clang 14)
        const Shape shape = ShapeOf(code.Text(nt.type));
        const int n = shape.rows * shape.cols;
        const std::string_view typeText = code.Text(nt.type);
        const std::string base(typeText.substr(0, typeText.find_first_of("1234")));
        auto make = [&](Tok kind, const std::string& text, size_t at) {
            return s.Make(kind, text, code.Token(at));
        };
        auto element = [&](std::vector<SourceToken>* out, int k, size_t at) {
            out->push_back(make(Tok::Ident, std::string(name), at));
            out->push_back(make(Tok::Punct, "[", at));
            out->push_back(make(Tok::Number, std::to_string(k), at));
            out->push_back(make(Tok::Punct, "]", at));
        };
        auto vector = [&](const std::vector<int>& elements, size_t at) {
            std::vector<SourceToken> out;
            if (elements.size() == 1) {
                element(&out, elements[0], at);
                return out;
            }
            out.push_back(make(Tok::Ident, base + std::to_string(elements.size()), at));
            out.push_back(make(Tok::Punct, "(", at));
            for (size_t k = 0; k < elements.size(); ++k) {
                if (k > 0) out.push_back(make(Tok::Punct, ",", at));
                element(&out, elements[k], at);
            }
            out.push_back(make(Tok::Punct, ")", at));
            return out;
        };
        std::vector<int> all(static_cast<size_t>(n));
        for (int k = 0; k < n; ++k) all[static_cast<size_t>(k)] = k;
        if (nt.type + 1 != nt.name) continue;  // "float1x4 a, b": left as it is
        edits->list.push_back({code.At(nt.type), code.At(nt.type) + 1, {make(Tok::Ident, base, nt.type)}});
        for (size_t k = nt.type; k-- > 0 && code.IsIdent(k);) {  // an array has no majority
            if (code.Text(k) == "row_major" || code.Text(k) == "column_major")
                edits->list.push_back({code.At(k), code.At(k) + 1, {}});
        }
        edits->list.push_back({code.At(nt.name) + 1, code.At(nt.name) + 1,
                               {make(Tok::Punct, "[", nt.name),
                                make(Tok::Number, std::to_string(n), nt.name),
                                make(Tok::Punct, "]", nt.name)}});
        for (size_t i = 0; i < code.size(); ++i) {
            if (i == nt.name || !code.IsIdent(i) || code.Text(i) != name || code.Punct(i - 1) == '.')
                continue;
            const bool assigned = [&](size_t after) {
                return code.Punct(after) == '=' && code.Punct(after + 1) != '=';
            }(i + 3);
            if (code.Punct(i + 1) == '.' && code.IsIdent(i + 2)) {
                const std::vector<int> elements = SwizzleElements(code.Text(i + 2), shape);
                if (elements.empty() || (assigned && elements.size() > 1)) continue;
                edits->list.push_back({code.At(i), code.At(i + 2) + 1, vector(elements, i)});
            } else if (code.Punct(i + 1) == '[') {
                const size_t close = code.Closing(i + 1);
                if (shape.rows == 1 && close == i + 3 && code.Text(i + 2) == "0")
                    edits->list.push_back({code.At(i), code.At(close) + 1, vector(all, i)});
                else if (shape.cols == 1)
                    DropColumnIndex(code, close, edits);
            } else {
                edits->list.push_back({code.At(i), code.At(i) + 1, vector(all, i)});
            }
        }
    }
}

// "(float3x1)m" of a matrix of more rows and columns keeps its upper-left
// corner, the first column's top: "(float3)transpose(m)[0]" (held as a
// vector, a cast would take the first row).
void ColumnCast(const TokenStream& s, const Code& code, const HlslOutline& outline, size_t type,
                TokenEdits* edits) {
    if (type < 1 || code.Punct(type - 1) != '(' || code.Punct(type + 1) != ')') return;
    if (type >= 2 && code.IsIdent(type - 2) && !OneOf(code.Text(type - 2), {"return", "else"}))
        return;  // a call's or constructor's argument list
    const size_t end = CastOperandEnd(code, outline, type + 2);
    if (end == npos || end == type + 2) return;
    const Shape from = ValueShape(code, outline, type + 2, end);
    if (!from.matrix || from.rows < 2 || from.cols < 2) return;
    const SourceToken& at = code.Token(type + 2);
    edits->list.push_back({code.At(type + 2), code.At(type + 2),
                           {s.Make(Tok::Ident, "transpose", at), s.Make(Tok::Punct, "(", at)}});
    edits->list.push_back({code.At(end), code.At(end),
                           {s.Make(Tok::Punct, ")", at), s.Make(Tok::Punct, "[", at),
                            s.Make(Tok::Number, "0", at), s.Make(Tok::Punct, "]", at)}});
}

// A 1xN or Nx1 matrix type (through typedefs): its shape; rows 0 for others.
Shape LineShape(const HlslOutline& outline, std::string_view type) {
    bool alias = false;
    const Shape line = ShapeOf(outline.Underlying(type, &alias));
    if (alias || !line.matrix || (line.rows != 1 && line.cols != 1) || line.Components() < 2)
        return {};
    return line;
}

// "float3x1 c = m;", "c = m;", "return m;" (of a function returning a
// float3x1) and "f(m)" (to such a parameter) of a bigger matrix m: its
// truncation, with the warning, the top of its first column (a 1xN: its
// first row's start), as the cast takes it (ColumnCast).
void ImplicitLines(const TokenStream& s, const Code& code, const HlslOutline& outline,
                   TokenEdits* edits, MessageSink& messages) {
    // The value in [first, ...) up to its ';' or ',' given to a line.
    auto truncate = [&](size_t first, Shape line, size_t warnAt) {
        size_t end = first;
        for (; end < code.size(); ++end) {
            const char p = code.Punct(end);
            if (p == '(' || p == '[' || p == '{') end = code.Closing(end);
            else if (p == ';' || p == ',' || p == ')' || p == '}') break;
        }
        if (end >= code.size() || end == first) return;
        const Shape from = ValueShape(code, outline, first, end);
        if (!from.matrix || from.rows < 2 || from.cols < 2) return;
        const SourceToken& at = code.Token(first);
        const std::string n = std::to_string(line.Components());
        const bool column = line.cols == 1;
        edits->list.push_back({code.At(first), code.At(first),
                               s.MakeTokens(Cat({"(float", n, ")", column ? "transpose" : "", "("}), at)});
        edits->list.push_back({code.At(end), code.At(end), s.MakeTokens(")[0]", at)});
        messages.Warning(code.Pos(warnAt), "implicit truncation of vector type");
    };
    for (size_t i = 1; i + 1 < code.size(); ++i) {
        if (code.Punct(i) != '=' || !code.IsIdent(i - 1) || code.Punct(i + 1) == '=') continue;
        if (i >= 2 && code.Punct(i - 2) == '.') continue;
        const NameType* it = outline.Declared(code, i - 1);
        if (it == nullptr || it->type == npos || it->array) continue;
        const Shape line = LineShape(outline, code.Text(it->type));
        if (line.rows > 0) truncate(i + 1, line, i);
    }
    for (const FunctionOutline& f : outline.functions) {
        const Shape line = f.body == npos ? Shape{} : LineShape(outline, code.Text(f.name - 1));
        if (line.rows == 0) continue;
        for (size_t k = f.body + 1; k < f.end; ++k)
            if (code.IsIdent(k) && code.Text(k) == "return") truncate(k + 1, line, k);
    }
    // An argument given to such a parameter of the effect's function (of
    // one overload, or of overloads that all take that shape there).
    for (size_t k = 1; k + 1 < code.size(); ++k) {
        if (!code.IsIdent(k) || code.Punct(k + 1) != '(' || code.Punct(k - 1) == '.') continue;
        const std::vector<size_t>& named = outline.Functions(code.Text(k));
        if (named.empty()) continue;
        const size_t close = code.Closing(k + 1);
        if (close >= code.size() || outline.functions[named[0]].name == k) continue;
        const auto args = ListItems(code, k + 1, close);
        for (size_t a = 0; a < args.size(); ++a) {
            Shape line;
            bool same = true;
            for (size_t n : named) {
                const FunctionOutline& g = outline.functions[n];
                const Shape p = a < g.params.size() && g.params[a].type != npos && !g.params[a].out
                                    ? LineShape(outline, code.Text(g.params[a].type))
                                    : Shape{};
                same = same && p.rows > 0 && (line.rows == 0 || (p.rows == line.rows && p.cols == line.cols));
                line = p;
            }
            if (same && line.rows > 0) truncate(args[a].first, line, args[a].first);
        }
    }
}

// 1xN and Nx1 matrices as vectors of N (Direct3D 9 uses them as such):
// every such type name, except a uniform's whose registers would change
// (a column-major 1xN takes N registers, a vector one); "_1N" / "_m0N"
// swizzles and "[0]" on a variable of such a type follow.
void MatrixVectors(const TokenStream& s, const Code& code, const HlslOutline& outline,
                   TokenEdits* edits) {
    auto oneLine = [](Shape sh) { return sh.matrix && (sh.rows == 1 || sh.cols == 1); };
    // Most effects name no such type; then no name is declared with one.
    bool any = false;
    for (size_t i = 0; i < code.size() && !any; ++i)
        any = code.IsIdent(i) && oneLine(ShapeOf(code.Text(i)));
    if (!any) return;
    bool packRows = false;
    for (const SourceToken& t : s.tokens) {
        std::string_view text = s.Text(t);
        if (t.kind == Tok::Directive && text.find("pack_matrix") != std::string_view::npos)
            packRows = text.find("row_major") != std::string_view::npos;
    }
    std::vector<bool> keep(code.size(), false);
    for (const auto& [name, nt] : outline.names) {
        if (!nt.uniform || nt.type == npos || !oneLine(ShapeOf(code.Text(nt.type)))) continue;
        Shape sh = ShapeOf(code.Text(nt.type));
        bool rowMajor = packRows;
        for (size_t k = nt.type; k-- > 0 && code.IsIdent(k);) {
            if (code.Text(k) == "row_major") rowMajor = true;
            if (code.Text(k) == "column_major") rowMajor = false;
        }
        if (sh.rows * sh.cols > 1 && rowMajor != (sh.rows == 1)) keep[nt.type] = true;
    }
    ElementArrays(s, code, outline, keep, edits);
    // Names declared with such a type, whose uses change too.
    bool anyNames = false;
    for (const auto& [name, nt] : outline.names)
        anyNames = anyNames ||
                   (nt.type != npos && oneLine(ShapeOf(outline.Underlying(code.Text(nt.type)))));
    anyNames = anyNames || outline.AnyDeclared([&](const NameType& nt) {
                   return oneLine(ShapeOf(outline.Underlying(code.Text(nt.type))));
               });
    auto retext = [&](size_t i, std::string text) {
        SourceToken t = code.Token(i);
        t.text = s.texts->Id(text);
        edits->list.push_back({code.At(i), code.At(i) + 1, {t}});
    };
    for (size_t i = 0; i < code.size(); ++i) {
        if (!code.IsIdent(i)) continue;
        std::string_view text = code.Text(i);
        Shape sh = ShapeOf(text);
        if (oneLine(sh) && !keep[i]) {
            const int n = sh.rows * sh.cols;
            std::string base(text.substr(0, text.find_first_of("1234")));
            retext(i, n == 1 ? base : base + std::to_string(n));
            if (sh.rows > 1) ColumnCast(s, code, outline, i, edits);
            continue;
        }
        if (!anyNames) continue;
        const NameType* it = outline.Declared(code, i);
        if (it == nullptr || it->type == npos || keep[it->type]) continue;
        bool alias = false;  // a typedef of an array
        Shape declared = ShapeOf(outline.Underlying(code.Text(it->type), &alias));
        if (!oneLine(declared) || it->array || alias) continue;
        if (code.Punct(i + 1) == '.' && code.IsIdent(i + 2)) {
            std::string swizzle = VectorSwizzle(code.Text(i + 2), declared.rows == 1);
            if (!swizzle.empty()) retext(i + 2, swizzle);
        } else if (declared.rows == 1 && declared.cols > 1 && code.Punct(i + 1) == '[' &&
                   code.Punct(i + 3) == ']' && code.Text(i + 2) == "0") {
            edits->list.push_back({code.At(i + 1), code.At(i + 3) + 1, {}});
        } else if (declared.cols == 1 && declared.rows > 1 && code.Punct(i + 1) == '[') {
            DropColumnIndex(code, code.Closing(i + 1), edits);
        }
    }
}

}  // namespace

bool RewriteDeclarationShapes(TokenRewriteState& state) {
    TokenStream* hlsl = state.hlsl;
    const Code& code = state.code();
    const HlslOutline& outline = state.outline();
    const std::vector<std::string>& entries = state.entries;
    TokenEdits edits;
    for (const FunctionOutline& f : outline.functions) {
        if (f.body == npos &&
            std::find(entries.begin(), entries.end(), code.Text(f.name)) != entries.end()) {
            edits.list.push_back({code.At(f.returnType), code.At(f.end) + 1, {}});
        }
        if (code.Text(f.returnType) == "export")
            edits.list.push_back({code.At(f.returnType), code.At(f.returnType) + 1, {}});
    }
    for (size_t i = 0; i + 1 < code.size(); ++i) {
        if (code.Text(i) != "switch" || code.Punct(i + 1) != '(') continue;
        const SourceToken& at = code.Token(i + 1);
        edits.list.push_back(
            {code.At(i + 1) + 1,
             code.At(i + 1) + 1,
             {hlsl->Make(Tok::Ident, "int", at), hlsl->Make(Tok::Punct, "(", at)}});
        size_t close = code.Closing(i + 1);
        if (close < code.size())
            edits.list.push_back(
                {code.At(close), code.At(close), {hlsl->Make(Tok::Punct, ")", at)}});
    }
    MatrixVectors(*hlsl, code, outline, &edits);
    if (NamesShape(code, [](Shape sh) { return sh.matrix && (sh.rows == 1 || sh.cols == 1); }))
        ImplicitLines(*hlsl, code, outline, &edits, state.messages);
    FindTruncations(*hlsl, code, outline, &edits, state.messages);
    if (edits.list.empty()) return true;
    edits.Apply(&hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
