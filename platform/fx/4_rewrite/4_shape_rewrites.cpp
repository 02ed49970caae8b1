// Stage 4: rewrites of declarations and statements that Direct3D 9 takes
// and glslang does not (see 4_rewrite_hlsl.h), from the outline of the
// HLSL tokens and the declared types it names (the "shapes" entry of
// 4_token_rewrites.h):
// - "switch (x)" on an int a rewrite made a float switches on int(x);
// - "export" before a function is dropped;
// - a declaration of an entry point before its definition is dropped
//   (glslang takes it for a second function that calls itself);
// - a 1xN (or Nx1) matrix is a vector, its element arrays and swizzles
//   read as the vector's (a 1x1's row and element as its one value); a uniform one that takes a register an element
//   (column-major 1xN, through a typedef too, an array of them, or a
//   member of a struct only uniforms use) an array of floats; a cast of a
//   bigger matrix to an Nx1 keeps the top
//   of its first column, as does a bigger matrix given to one (with the
//   truncation warning);
// - implicit truncations (4_truncations.h).
// Initializer lists and the logic of matrices have files of their own
// (4_initializer_lists.cpp, 4_matrix_logic.cpp).
#include <algorithm>
#include <cstdlib>
#include <set>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/4_rewrite/4_truncations.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {

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

// The first token of the call, cast or bracketed value that ends with the
// ')' at close; npos when the brackets do not pair.
size_t ValueStart(const Code& code, size_t close) {
    int depth = 0;
    size_t open = close;
    for (;; --open) {
        const char p = code.Punct(open);
        depth += p == ')' ? 1 : p == '(' ? -1 : 0;
        if (depth == 0 || open == 0) break;
    }
    if (depth != 0 || code.Punct(open) != '(') return npos;
    if (open > 0 && code.IsIdent(open - 1)) return open - 1;  // a call
    if (open >= 3 && code.Punct(open - 1) == ')' && code.IsIdent(open - 2) &&
        code.Punct(open - 3) == '(')
        return open - 3;  // a cast
    return open;
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

// "baseN(e0, e1, ...)" of the elements that element() writes, or the one
// element bare; at() makes a token at the use.
template <typename At, typename Element>
std::vector<SourceToken> ElementVector(const std::string& base, const std::vector<int>& elements,
                                       At at, Element element) {
    std::vector<SourceToken> out;
    if (elements.size() > 1) {
        out.push_back(at(Tok::Ident, base + std::to_string(elements.size())));
        out.push_back(at(Tok::Punct, "("));
    }
    for (size_t k = 0; k < elements.size(); ++k) {
        if (k > 0) out.push_back(at(Tok::Punct, ","));
        element(&out, elements[k]);
    }
    if (elements.size() > 1) out.push_back(at(Tok::Punct, ")"));
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
        const std::string_view typeText = outline.Underlying(code.Text(nt.type));
        const Shape shape = ShapeOf(typeText);
        const int n = shape.rows * shape.cols;
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

// An array of such matrices ("float1x3 m[2]", column-major) takes N
// registers an element, one for each of its elements: it is declared
// "float m[6]", "m[i]._12" reads "m[(i) * 3 + 1]" and "m[i]" (or its row
// "m[i][0]") the vector of the three. An array whose size is no literal,
// or named whole, is left as it is.
void ElementArraysOfArrays(const TokenStream& s, const Code& code, const HlslOutline& outline,
                           const std::vector<bool>& kept, TokenEdits* edits) {
    for (const auto& [declared, nt] : outline.names) {
        if (!nt.uniform || !nt.array || nt.type == npos || nt.name == npos || !kept[nt.type] ||
            nt.type + 1 != nt.name || code.Punct(nt.name + 1) != '[' ||
            code.Closing(nt.name + 1) != nt.name + 3 || code.Token(nt.name + 2).kind != Tok::Number)
            continue;
        const std::string_view name = declared;
        const int length = std::atoi(std::string(code.Text(nt.name + 2)).c_str());
        const std::string_view typeText = outline.Underlying(code.Text(nt.type));
        const Shape shape = ShapeOf(typeText);
        const int n = shape.rows * shape.cols;
        if (length <= 0 || length > 4096) continue;
        // Every use is an element: "m[...]", then a swizzle or a row.
        std::vector<size_t> uses;
        bool whole = false;
        for (size_t i = 0; i < code.size(); ++i) {
            if (i == nt.name || !code.IsIdent(i) || code.Text(i) != name || code.Punct(i - 1) == '.')
                continue;
            if (code.Punct(i + 1) != '[') whole = true;
            uses.push_back(i);
        }
        if (whole) continue;
        const std::string base(typeText.substr(0, typeText.find_first_of("1234")));
        auto make = [&](Tok kind, const std::string& text, size_t at) {
            return s.Make(kind, text, code.Token(at));
        };
        edits->list.push_back({code.At(nt.type), code.At(nt.type) + 1, {make(Tok::Ident, base, nt.type)}});
        for (size_t k = nt.type; k-- > 0 && code.IsIdent(k);) {
            if (code.Text(k) == "row_major" || code.Text(k) == "column_major")
                edits->list.push_back({code.At(k), code.At(k) + 1, {}});
        }
        edits->list.push_back({code.At(nt.name + 2), code.At(nt.name + 2) + 1,
                               {make(Tok::Number, std::to_string(length * n), nt.name + 2)}});
        for (size_t i : uses) {
            const size_t close = code.Closing(i + 1);
            if (close >= code.size()) continue;
            std::vector<SourceToken> index(s.tokens.begin() + static_cast<std::ptrdiff_t>(code.At(i + 2)),
                                           s.tokens.begin() + static_cast<std::ptrdiff_t>(code.At(close)));
            auto element = [&](std::vector<SourceToken>* out, int k) {
                out->push_back(make(Tok::Ident, std::string(name), i));
                out->push_back(make(Tok::Punct, "[", i));
                out->push_back(make(Tok::Punct, "(", i));
                out->insert(out->end(), index.begin(), index.end());
                out->push_back(make(Tok::Punct, ")", i));
                out->push_back(make(Tok::Punct, "*", i));
                out->push_back(make(Tok::Number, std::to_string(n), i));
                out->push_back(make(Tok::Punct, "+", i));
                out->push_back(make(Tok::Number, std::to_string(k), i));
                out->push_back(make(Tok::Punct, "]", i));
            };
            std::vector<int> elements;
            size_t end = close + 1;
            if (code.Punct(end) == '.' && code.IsIdent(end + 1)) {
                elements = SwizzleElements(code.Text(end + 1), shape);
                if (elements.empty()) continue;
                end += 2;
            } else {
                if (shape.rows == 1 && code.Punct(end) == '[' && code.Closing(end) == end + 2 &&
                    code.Text(end + 1) == "0")
                    end += 3;
                for (int k = 0; k < n; ++k) elements.push_back(k);
            }
            auto at = [&](Tok kind, const std::string& text) { return make(kind, text, i); };
            edits->list.push_back(
                {code.At(i), code.At(end - 1) + 1, ElementVector(base, elements, at, element)});
        }
    }
}

// Whether the #pragma pack_matrix in force before token `at` packs rows.
bool RowsPackedAt(const TokenStream& s, size_t at) {
    bool rows = false;
    for (size_t k = 0; k < at && k < s.tokens.size(); ++k) {
        const std::string_view text = s.Text(s.tokens[k]);
        if (s.tokens[k].kind == Tok::Directive && text.find("pack_matrix") != std::string_view::npos)
            rows = text.find("row_major") != std::string_view::npos;
    }
    return rows;
}

// The majority a typedef of that name gives ("typedef row_major float1x3
// R;", or the #pragma pack_matrix in force where it is declared): 1
// row-major, 0 column-major, -1 not a typedef.
int TypedefMajority(const TokenStream& s, const Code& code, std::string_view name) {
    for (size_t i = 0; i < code.size(); ++i) {
        if (code.Text(i) != "typedef") continue;
        int majority = RowsPackedAt(s, code.At(i)) ? 1 : 0;
        size_t j = i + 1;
        for (; j < code.size() && code.IsIdent(j) && IsQualifier(code.Text(j)); ++j) {
            if (code.Text(j) == "row_major") majority = 1;
            if (code.Text(j) == "column_major") majority = 0;
        }
        for (++j; j < code.size() && code.Punct(j) != ';'; ++j)
            if (code.IsIdent(j) && code.Text(j) == name) return majority;
    }
    return -1;
}

// Whether the declaration whose type is code token `type` holds its
// matrix row-major: its own row_major / column_major, else its typedef's
// majority, else the #pragma pack_matrix in force there.
bool DeclaredRowMajor(const TokenStream& s, const Code& code, size_t type) {
    const int typedefMajority = TypedefMajority(s, code, code.Text(type));
    bool rowMajor = typedefMajority < 0 ? RowsPackedAt(s, code.At(type)) : typedefMajority == 1;
    for (size_t k = type; k-- > 0 && code.IsIdent(k);) {
        if (code.Text(k) == "row_major") rowMajor = true;
        if (code.Text(k) == "column_major") rowMajor = false;
    }
    return rowMajor;
}

// The first token of the names, members and elements that end before
// code token `dot` ("u[i].inner" of "u[i].inner.r"); npos when a call or a
// bracket starts it.
size_t PostfixStart(const Code& code, size_t dot) {
    size_t k = dot;
    while (k > 0) {
        --k;
        if (code.Punct(k) == ']') {
            int depth = 0;
            for (; k > 0; --k) {
                if (code.Punct(k) == ']') ++depth;
                if (code.Punct(k) == '[' && --depth == 0) break;
            }
            continue;
        }
        if (!code.IsIdent(k)) return npos;
        if (k == 0 || code.Punct(k - 1) != '.') return k;
        --k;
    }
    return npos;
}

// Whether every use of the struct's name declares a uniform global (or
// names it in a typedef): then its layout is the registers'.
bool OnlyUniforms(const Code& code, const HlslOutline& outline, const StructOutline& st) {
    const std::string_view name = code.Text(st.name);
    bool used = false;
    for (size_t i = 0; i < code.size(); ++i) {
        if (i == st.name || !code.IsIdent(i) || outline.Underlying(code.Text(i)) != name) continue;
        if ((i >= 1 && code.Text(i - 1) == "typedef") || (i >= 2 && code.Text(i - 2) == "typedef"))
            continue;
        auto it = code.IsIdent(i + 1) ? outline.names.find(code.Text(i + 1)) : outline.names.end();
        if (it == outline.names.end() || !it->second.uniform || it->second.type != i) return false;
        used = true;
    }
    return used;
}

// Each use of the member "P.r" (with a swizzle or whole) read from its
// array: "float3(P.r[0], P.r[1], P.r[2])", "P.r[1]".
void MemberUses(const TokenStream& s, const Code& code, size_t member, Shape shape,
                const std::string& base, TokenEdits* edits) {
    const int n = shape.rows * shape.cols;
    auto make = [&](Tok kind, const std::string& text, size_t at) {
        return s.Make(kind, text, code.Token(at));
    };
    for (size_t i = 1; i < code.size(); ++i) {
        if (i == member || code.Punct(i - 1) != '.' || !code.IsIdent(i) ||
            code.Text(i) != code.Text(member))
            continue;
        const size_t start = PostfixStart(code, i - 1);
        if (start == npos) continue;
        std::vector<int> elements;
        size_t end = i + 1;
        if (code.Punct(i + 1) == '.' && code.IsIdent(i + 2)) {
            elements = SwizzleElements(code.Text(i + 2), shape);
            end = i + 3;
        } else if (code.Punct(i + 1) == '[') {
            continue;  // a row or column by index: left as it is
        } else {
            for (int k = 0; k < n; ++k) elements.push_back(k);
        }
        if (elements.empty()) continue;
        std::vector<SourceToken> prefix(s.tokens.begin() + static_cast<std::ptrdiff_t>(code.At(start)),
                                        s.tokens.begin() + static_cast<std::ptrdiff_t>(code.At(i) + 1));
        auto at = [&](Tok kind, const std::string& text) { return make(kind, text, i); };
        auto element = [&](std::vector<SourceToken>* out, int k) {
            out->insert(out->end(), prefix.begin(), prefix.end());
            out->push_back(at(Tok::Punct, "["));
            out->push_back(at(Tok::Number, std::to_string(k)));
            out->push_back(at(Tok::Punct, "]"));
        };
        edits->list.push_back(
            {code.At(start), code.At(end - 1) + 1, ElementVector(base, elements, at, element)});
    }
}

// A column-major 1xN (or row-major Nx1) member of a struct only uniforms
// use takes N registers as such a global does: it is declared "float
// r[3]", and "u.r" reads "float3(u.r[0], u.r[1], u.r[2])", "u.r._12"
// "u.r[1]". Its name must be no other name's.
void StructMemberArrays(const TokenStream& s, const Code& code, const HlslOutline& outline,
                        std::vector<bool>* keep, TokenEdits* edits) {
    for (const StructOutline& st : outline.structs) {
        if (!OnlyUniforms(code, outline, st)) continue;
        for (const Declarator& m : st.members) {
            if (m.type == npos || m.name == npos || m.arrayOpen != npos || m.type + 1 != m.name)
                continue;
            bool alias = false;
            const std::string_view typeText = outline.Underlying(code.Text(m.type), &alias);
            const Shape shape = ShapeOf(typeText);
            const int n = shape.rows * shape.cols;
            if (alias || !shape.matrix || (shape.rows != 1 && shape.cols != 1) || n < 2) continue;
            const bool rowMajor = DeclaredRowMajor(s, code, m.type);
            auto it = outline.names.find(code.Text(m.name));
            if (rowMajor == (shape.rows == 1) || it == outline.names.end() || it->second.type != m.type)
                continue;
            (*keep)[m.type] = true;
            const std::string base(typeText.substr(0, typeText.find_first_of("1234")));
            auto make = [&](Tok kind, const std::string& text, size_t at) {
                return s.Make(kind, text, code.Token(at));
            };
            edits->list.push_back({code.At(m.type), code.At(m.type) + 1, {make(Tok::Ident, base, m.type)}});
            for (size_t k = m.type; k-- > 0 && code.IsIdent(k);)
                if (code.Text(k) == "row_major" || code.Text(k) == "column_major")
                    edits->list.push_back({code.At(k), code.At(k) + 1, {}});
            edits->list.push_back({code.At(m.name) + 1, code.At(m.name) + 1,
                                   {make(Tok::Punct, "[", m.name), make(Tok::Number, std::to_string(n), m.name),
                                    make(Tok::Punct, "]", m.name)}});
            MemberUses(s, code, m.name, shape, base, edits);
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

// The one row_major or column_major before a 1xN type made a vector: a
// vector has no majority (two of them stay, for the globals' error).
void DropMajority(const Code& code, size_t type, TokenEdits* edits) {
    size_t found = npos;
    int count = 0;
    for (size_t k = type; k-- > 0 && code.IsIdent(k) && IsQualifier(code.Text(k));) {
        if (code.Text(k) == "row_major" || code.Text(k) == "column_major") {
            found = k;
            ++count;
        }
    }
    if (count == 1) edits->list.push_back({code.At(found), code.At(found) + 1, {}});
}

// Whether the index in the brackets that open at code token open writes
// nothing ("m[i]", not "m[i++]").
bool IndexWithoutEffects(const Code& code, size_t open) {
    const size_t close = code.Closing(open);
    if (close >= code.size()) return false;
    for (size_t k = open + 1; k < close; ++k)
        if (StepAt(code, k) || AssignmentAt(code, k)) return false;
    return true;
}

// The indices after code token at, whose value is a 1xN, Nx1 or 1x1 matrix
// made a vector: a 1xN's row "[0]" goes (its row at a run-time index,
// "m[i]", is the one row too), an Nx1's column "[0]" after its row; a 1x1
// made a scalar loses both (its row and element are the value).
void OneLineIndex(const Code& code, size_t at, Shape shape, TokenEdits* edits) {
    if (shape.rows == 1 && shape.cols > 1 && code.Punct(at + 1) == '[' &&
        IndexWithoutEffects(code, at + 1)) {
        edits->list.push_back({code.At(at + 1), code.At(code.Closing(at + 1)) + 1, {}});
    } else if (shape.cols == 1 && shape.rows > 1) {
        DropColumnIndex(code, code.Closing(at + 1), edits);
    } else if (shape.rows == 1 && shape.cols == 1) {
        const size_t row = code.Closing(at + 1);
        if (row >= code.size()) return;
        edits->list.push_back({code.At(at + 1), code.At(row) + 1, {}});
        DropColumnIndex(code, row, edits);
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
    if (!NamesShape(code, oneLine)) return;
    std::vector<bool> keep(code.size(), false);
    for (const auto& [name, nt] : outline.names) {
        if (!nt.uniform || nt.type == npos) continue;
        bool alias = false;  // a typedef of an array
        const Shape sh = ShapeOf(outline.Underlying(code.Text(nt.type), &alias));
        if (!oneLine(sh) || alias) continue;
        const bool rowMajor = DeclaredRowMajor(s, code, nt.type);
        if (sh.rows * sh.cols > 1 && rowMajor != (sh.rows == 1)) keep[nt.type] = true;
    }
    StructMemberArrays(s, code, outline, &keep, edits);
    ElementArrays(s, code, outline, keep, edits);
    ElementArraysOfArrays(s, code, outline, keep, edits);
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
        if (code.Punct(i) == ')' && code.Punct(i + 1) == '.' && code.IsIdent(i + 2) &&
            code.Text(i + 2)[0] == '_') {
            // "f(v)._12", "((float1x3)v)._12": a value's elements.
            const size_t first = ValueStart(code, i);
            const Shape value = first != npos ? ValueShape(code, outline, first, i + 1) : Shape{};
            std::string swizzle = oneLine(value) ? VectorSwizzle(code.Text(i + 2), value.rows == 1) : "";
            if (!swizzle.empty()) retext(i + 2, swizzle);
            continue;
        }
        if (code.Punct(i) == ')' && code.Punct(i + 1) == '[') {
            // "frac(r)[0][1]", "mul(r, c)[0][0]": a value's rows and elements.
            const size_t first = ValueStart(code, i);
            const Shape value = first != npos ? ValueShape(code, outline, first, i + 1) : Shape{};
            if (oneLine(value)) OneLineIndex(code, i, value, edits);
            continue;
        }
        if (!code.IsIdent(i)) continue;
        std::string_view text = code.Text(i);
        Shape sh = ShapeOf(text);
        if (oneLine(sh) && !keep[i]) {
            const int n = sh.rows * sh.cols;
            std::string base(text.substr(0, text.find_first_of("1234")));
            retext(i, n == 1 ? base : base + std::to_string(n));
            DropMajority(code, i, edits);
            if (sh.rows > 1) ColumnCast(s, code, outline, i, edits);
            continue;
        }
        if (!anyNames) continue;
        const NameType* it = outline.Declared(code, i);
        if (it == nullptr || it->type == npos || keep[it->type]) continue;
        bool alias = false;  // a typedef of an array
        Shape declared = ShapeOf(outline.Underlying(code.Text(it->type), &alias));
        if (!oneLine(declared) || alias) continue;
        // An element of an array of them reads as the variable would.
        size_t at = i;
        if (it->array) {
            if (code.Punct(i + 1) != '[' || code.Closing(i + 1) >= code.size()) continue;
            at = code.Closing(i + 1);
        }
        if (code.Punct(at + 1) == '.' && code.IsIdent(at + 2)) {
            std::string swizzle = VectorSwizzle(code.Text(at + 2), declared.rows == 1);
            if (!swizzle.empty()) retext(at + 2, swizzle);
        } else if (code.Punct(at + 1) == '[') {
            OneLineIndex(code, at, declared, edits);
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
