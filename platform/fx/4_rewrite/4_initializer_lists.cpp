// Stage 4: initializer lists flattened as Direct3D 9 reads them (the
// "initializer_lists" entry of 4_token_rewrites.h): every value (a vector
// counting as its components) fills the next component of the declared
// array, struct or vector, whatever braces it sits in; an array of
// implicit size takes its size from the list.
// Implemented: [x] values that are numbers, true/false, constructors and
//                  swizzles, and expressions whose count the declared types
//                  tell (4_hlsl_types)   [x] a matrix (constructor or
//                  variable) where a whole matrix of its shape is filled
//                  [ ] the others (a matrix split or spread into other
//                  types): such a list is left as it is.
#include <algorithm>
#include <span>
#include <string_view>
#include <unordered_map>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {

// One value of a list: its code tokens [first, last) and component count;
// a matrix's shape too (it fills only a whole matrix of that shape).
struct ListValue {
    size_t first = 0, last = 0;
    int count = 0;
    int rows = 0, cols = 0;
};

// The count of a value; 0 when it cannot be told from its tokens.
int ValueCount(const Code& code, size_t first, size_t last, int depth = 0) {
    if (depth > 16 || first >= last) return 0;
    if (code.Punct(first) == '-' || code.Punct(first) == '+') ++first;
    if (last - first == 1) {
        const SourceToken& t = code.Token(first);
        if (t.kind == Tok::Number) return 1;
        if (code.Text(first) == "true" || code.Text(first) == "false") return 1;
        return 0;
    }
    if (code.IsIdent(first) && code.Punct(first + 1) == '(' &&
        code.Closing(first + 1) == last - 1) {
        // A matrix cannot be split by a swizzle: glslang is left to read it.
        Shape sh = ShapeOf(code.Text(first));
        return sh.matrix && sh.rows > 1 && sh.cols > 1 ? 0 : sh.Components();
    }
    // "(...)" or a constructor, then ".xy".
    if (last - first >= 3 && code.Punct(last - 2) == '.' && code.IsIdent(last - 1)) {
        std::string_view sw = code.Text(last - 1);
        if (sw.size() <= 4 && sw.find_first_not_of("xyzwrgba") == std::string_view::npos &&
            ValueCount(code, first, last - 2, depth + 1) > 0) {
            return static_cast<int>(sw.size());
        }
    }
    if (code.Punct(first) == '(' && code.Closing(first) == last - 1)
        return ValueCount(code, first + 1, last - 1, depth + 1);
    return 0;
}

// The values of the list opened at open, inner braces taken away; false
// when one cannot be counted.
bool ReadValues(const Code& code, const HlslOutline& outline, size_t open, size_t close,
                std::vector<ListValue>* values, int depth = 0) {
    if (depth > 16) return false;
    for (auto [first, last] : ListItems(code, open, close)) {
        if (code.Punct(first) == '{' && code.Closing(first) + 1 == last) {
            if (!ReadValues(code, outline, first, last - 1, values, depth + 1)) return false;
            continue;
        }
        // A matrix constructor, "float2x2(1, 0, 0, 1)".
        if (code.IsIdent(first) && code.Punct(first + 1) == '(' &&
            code.Closing(first + 1) == last - 1) {
            const Shape sh = ShapeOf(code.Text(first));
            if (sh.matrix && sh.rows > 1 && sh.cols > 1) {
                values->push_back({first, last, sh.Components(), sh.rows, sh.cols});
                continue;
            }
        }
        // A variable or another expression: its count from the declared types.
        int n = ValueCount(code, first, last);
        if (n == 0) n = ExpressionComponents(code, outline, first, last);
        if (n == 0) {
            // A struct's member on the way: "g.a[0]" (a cast's components).
            const Shape sh = ValueShape(code, outline, first, last);
            if (!sh.matrix || sh.rows == 1 || sh.cols == 1) {
                n = sh.Components();
            } else {
                values->push_back({first, last, sh.Components(), sh.rows, sh.cols});
                continue;
            }
        }
        if (n == 0) return false;
        values->push_back({first, last, n});
    }
    return true;
}

// Builds the flattened initializer of one declared shape.
struct Flattener {
    const TokenStream& s;
    const Code& code;
    const HlslOutline& outline;
    const SourceToken& at;  // where made tokens are placed: the '{'
    const std::vector<ListValue>& values;
    size_t value = 0;  // the next component: values[value], component part
    int part = 0;
    std::vector<SourceToken> out;
    bool ok = true;
    // "typedef int2x2 I22;": I22 by the code token of int2x2.
    const std::unordered_map<std::string_view, size_t>& aliases;

    // The type a typedef name stands for (a code token), or type itself.
    size_t Resolved(size_t type) const {
        for (int depth = 0; depth < 8; ++depth) {
            const auto found = aliases.find(code.Text(type));
            if (found == aliases.end()) break;
            type = found->second;
        }
        return type;
    }

    void Put(Tok kind, std::string_view text) { out.push_back(s.Make(kind, text, at)); }
    void Copy(size_t first, size_t last) {
        for (size_t k = first; k < last; ++k) {
            out.push_back(code.Token(k));
            if (k == first) out.back().flags &= static_cast<uint8_t>(~kGlued);
        }
    }

    // The next n components as one or more expressions, separated by commas.
    void Components(int n) {
        bool firstPart = true;
        while (n > 0 && ok) {
            if (value >= values.size()) {
                ok = false;
                return;
            }
            const ListValue& v = values[value];
            int take = std::min(n, v.count - part);
            // A matrix is not split, nor spread into another type.
            if (v.rows > 0) {
                ok = false;
                return;
            }
            if (!firstPart) Put(Tok::Punct, ",");
            firstPart = false;
            if (take == v.count) {
                Copy(v.first, v.last);
            } else {
                Put(Tok::Punct, "(");
                Copy(v.first, v.last);
                Put(Tok::Punct, ")");
                Put(Tok::Punct, ".");
                out.back().flags |= kGlued;
                Put(Tok::Ident, std::string("xyzw").substr(static_cast<size_t>(part),
                                                           static_cast<size_t>(take)));
                out.back().flags |= kGlued;
            }
            n -= take;
            part += take;
            if (part == v.count) {
                ++value;
                part = 0;
            }
        }
    }

    // One element of type `type` (a code token), arrays of it counted by size.
    void Element(size_t type, int depth) {
        type = Resolved(type);
        int n = fx::Components(code.Text(type));
        if (n == 1) {
            Components(1);
            return;
        }
        if (n > 1) {
            // A matrix value of the element's shape fills it whole.
            const Shape sh = ShapeOf(code.Text(type));
            if (value < values.size() && part == 0 && values[value].rows > 0) {
                const ListValue& v = values[value];
                if (!sh.matrix || sh.rows != v.rows || sh.cols != v.cols) {
                    ok = false;
                    return;
                }
                Copy(v.first, v.last);
                ++value;
                return;
            }
            Put(Tok::Ident, code.Text(type));
            Put(Tok::Punct, "(");
            out.back().flags |= kGlued;
            Components(n);
            Put(Tok::Punct, ")");
            return;
        }
        const StructOutline* st = outline.FindStruct(code, code.Text(type));
        if (st == nullptr || depth > 8) {
            ok = false;
            return;
        }
        Put(Tok::Punct, "{");
        for (size_t m = 0; m < st->members.size() && ok; ++m) {
            if (m > 0) Put(Tok::Punct, ",");
            const Declarator& d = st->members[m];
            Declared(d.type, ArraySizes(d), depth + 1);
        }
        Put(Tok::Punct, "}");
    }

    // A declared variable or member with its array sizes, outermost first
    // (none for one that is no array): "float t[2][3]" is two lists of 3.
    void Declared(size_t type, std::span<const int> sizes, int depth) {
        if (sizes.empty()) {
            Element(type, depth);
            return;
        }
        if (sizes[0] <= 0) {
            ok = false;
            return;
        }
        Put(Tok::Punct, "{");
        for (int i = 0; i < sizes[0] && ok; ++i) {
            if (i > 0) Put(Tok::Punct, ",");
            Declared(type, sizes.subspan(1), depth);
        }
        Put(Tok::Punct, "}");
    }

    // The sizes of each dimension; -1 for one that is not a plain number.
    std::vector<int> ArraySizes(const Declarator& d) const {
        std::vector<int> sizes;
        for (size_t k = d.arrayOpen; k != npos && code.Punct(k) == '['; k += 3) {
            if (code.Punct(k + 2) != ']' || code.Token(k + 1).kind != Tok::Number) {
                sizes.push_back(-1);
                break;
            }
            sizes.push_back(std::atoi(std::string(code.Text(k + 1)).c_str()));
        }
        return sizes;
    }

    // The elements all dimensions hold together; -1 when one is unknown.
    static int Elements(const std::vector<int>& sizes) {
        int n = 1;
        for (int size : sizes) {
            if (size < 0) return -1;
            n *= size;
        }
        return n;
    }

    // The components an element of the type holds; 0 when unknown.
    int Count(size_t type, int depth) const {
        type = Resolved(type);
        int n = fx::Components(code.Text(type));
        if (n > 0) return n;
        const StructOutline* st = outline.FindStruct(code, code.Text(type));
        if (st == nullptr || depth > 8) return 0;
        int total = 0;
        for (const Declarator& d : st->members) {
            int elements = Elements(ArraySizes(d));
            int each = Count(d.type, depth + 1);
            if (elements < 0 || each == 0) return 0;
            total += each * elements;
        }
        return total;
    }
};

// "typedef [qualifiers] TYPE NAME;" of a type that is no array: NAME by
// the code token of TYPE.
std::unordered_map<std::string_view, size_t> TypedefNames(const Code& code) {
    std::unordered_map<std::string_view, size_t> aliases;
    for (size_t i = 0; i + 3 < code.size(); ++i) {
        if (!code.IsIdent(i) || code.Text(i) != "typedef") continue;
        size_t type = i + 1;
        while (code.IsIdent(type) && IsQualifier(code.Text(type))) ++type;
        if (code.IsIdent(type) && code.IsIdent(type + 1) && code.Punct(type + 2) == ';')
            aliases[code.Text(type + 1)] = type;
    }
    return aliases;
}

// The declarator whose '=' is at i, in the statement that starts at
// statement: after a comma ("float a = 1, b[2] = {2, 3};") the name and
// array sizes are those after the comma, the type the statement's.
Declarator DeclaratorBefore(const Code& code, size_t statement, size_t i) {
    Declarator d = ReadDeclarator(code, statement, i);
    size_t comma = npos;
    for (size_t k = statement; k < i; ++k) {
        const char p = code.Punct(k);
        if (p == '(' || p == '[' || p == '{') k = code.Closing(k);
        if (p == ',') comma = k;
    }
    if (comma == npos) return d;
    d.name = code.IsIdent(comma + 1) ? comma + 1 : npos;
    d.arrayOpen = code.Punct(comma + 2) == '[' ? comma + 2 : npos;
    return d;
}

void FlattenInitializers(const TokenStream& s, const Code& code, const HlslOutline& outline,
                         TokenEdits* edits, MessageSink& messages) {
    const std::unordered_map<std::string_view, size_t> aliases = TypedefNames(code);
    size_t statement = 0;
    for (size_t i = 0; i < code.size(); ++i) {
        char p = code.Punct(i);
        if (p == ';' || p == '{' || p == '}' || p == ')') {
            statement = i + 1;
            continue;
        }
        if (p != '=' || code.Punct(i + 1) != '{') continue;
        Declarator d = DeclaratorBefore(code, statement, i);
        const size_t open = i + 1;
        const size_t close = code.Closing(open);
        i = close;
        std::vector<ListValue> values;
        if (d.name == npos || d.type == npos || close >= code.size() ||
            !ReadValues(code, outline, open, close, &values))
            continue;
        Flattener f{s, code, outline, code.Token(open), values, 0, 0, {}, true, aliases};
        std::vector<int> sizes = f.ArraySizes(d);
        int total = 0;
        for (const ListValue& v : values) total += v.count;
        const bool implicit = d.arrayOpen != npos && code.Punct(d.arrayOpen + 1) == ']';
        if (implicit) {
            int each = f.Count(d.type, 0);
            if (each == 0 || total % each != 0 || sizes.size() != 1) continue;
            sizes[0] = total / each;
            edits->list.push_back(
                {code.At(d.arrayOpen) + 1,
                 code.At(d.arrayOpen) + 1,
                 {s.Make(Tok::Number, std::to_string(sizes[0]), code.Token(d.arrayOpen))}});
        }
        // Direct3D 9 takes exactly as many values as the type holds.
        const int each = f.Count(d.type, 0);
        const int elements = Flattener::Elements(sizes);
        if (!implicit && elements >= 0 && each > 0 && total != each * elements) {
            messages.Add(ErrorAt(code.Pos(open), "the initializer of '" +
                                                     std::string(code.Text(d.name)) + "' gives " +
                                                     std::to_string(total) +
                                                     " values; its type holds " +
                                                     std::to_string(each * elements)));
            continue;
        }
        f.Declared(d.type, sizes, 0);
        if (!f.ok || f.value != values.size()) continue;
        edits->list.push_back({code.At(open), code.At(close) + 1, std::move(f.out)});
    }
}

}  // namespace

bool FlattenInitializerLists(TokenRewriteState& state) {
    TokenEdits edits;
    FlattenInitializers(*state.hlsl, state.code(), state.outline(), &edits, state.messages);
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
