// Stage 4: rewrites of declarations and statements that Direct3D 9 takes
// and glslang does not (see 4_rewrite_hlsl.h), from the outline of the
// HLSL tokens and the declared types it names:
// - initializer lists are flattened as Direct3D 9 reads them: every value
//   (a vector counting as its components) fills the next component of the
//   declared array, struct or vector, whatever braces it sits in; an array
//   of implicit size takes its size from the list;
// - "switch (x)" on an int a rewrite made a float switches on int(x);
// - "export" before a function is dropped;
// - a declaration of an entry point before its definition is dropped
//   (glslang takes it for a second function that calls itself).
// Implemented: [x] values that are numbers, true/false, constructors and
//                  swizzles, and expressions whose count the declared types
//                  tell (4_hlsl_types)   [ ] the others: such a list is left
//                  as it is.
#include <algorithm>
#include <set>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

constexpr size_t npos = Declarator::npos;

int Components(std::string_view type) { return ShapeOf(type).Components(); }

// One value of a list: its code tokens [first, last) and component count.
struct Value {
    size_t first = 0, last = 0;
    int count = 0;
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

// The items of the list or call whose bracket is at open, split at its own
// commas: [first, last) each.
std::vector<std::pair<size_t, size_t>> Arguments(const Code& code, size_t open, size_t close) {
    std::vector<std::pair<size_t, size_t>> list;
    size_t start = open + 1;
    for (size_t k = open + 1; k <= close; ++k) {
        char p = code.Punct(k);
        if ((p == '(' || p == '[' || p == '{') && k != close) {
            k = code.Closing(k);
            continue;
        }
        if (p != ',' && k != close) continue;
        if (k > start) list.emplace_back(start, k);
        start = k + 1;
    }
    return list;
}

// The values of the list opened at open, inner braces taken away; false
// when one cannot be counted.
bool ReadValues(const Code& code, const HlslOutline& outline, size_t open, size_t close,
                std::vector<Value>* values, int depth = 0) {
    if (depth > 16) return false;
    for (auto [first, last] : Arguments(code, open, close)) {
        if (code.Punct(first) == '{' && code.Closing(first) + 1 == last) {
            if (!ReadValues(code, outline, first, last - 1, values, depth + 1)) return false;
            continue;
        }
        // A variable or another expression: its count from the declared types.
        int n = ValueCount(code, first, last);
        if (n == 0) n = ExpressionComponents(code, outline, first, last);
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
    const std::vector<Value>& values;
    size_t value = 0;  // the next component: values[value], component part
    int part = 0;
    std::vector<SourceToken> out;
    bool ok = true;

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
            const Value& v = values[value];
            int take = std::min(n, v.count - part);
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
        int n = fx::Components(code.Text(type));
        if (n == 1) {
            Components(1);
            return;
        }
        if (n > 1) {
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
            Declared(d.type, ArraySize(d), depth + 1);
        }
        Put(Tok::Punct, "}");
    }

    // A declared variable or member: size 0 for one that is no array.
    void Declared(size_t type, int size, int depth) {
        if (size < 0) {
            ok = false;
            return;
        }
        if (size == 0) {
            Element(type, depth);
            return;
        }
        Put(Tok::Punct, "{");
        for (int i = 0; i < size && ok; ++i) {
            if (i > 0) Put(Tok::Punct, ",");
            Element(type, depth);
        }
        Put(Tok::Punct, "}");
    }

    // 0: no array; -1: a size that is not a plain number.
    int ArraySize(const Declarator& d) const {
        if (d.arrayOpen == npos) return 0;
        if (code.Punct(d.arrayOpen + 2) != ']' || code.Token(d.arrayOpen + 1).kind != Tok::Number) {
            return -1;
        }
        return std::atoi(std::string(code.Text(d.arrayOpen + 1)).c_str());
    }

    // The components an element of the type holds; 0 when unknown.
    int Count(size_t type, int depth) const {
        int n = fx::Components(code.Text(type));
        if (n > 0) return n;
        const StructOutline* st = outline.FindStruct(code, code.Text(type));
        if (st == nullptr || depth > 8) return 0;
        int total = 0;
        for (const Declarator& d : st->members) {
            int size = ArraySize(d);
            int each = Count(d.type, depth + 1);
            if (size < 0 || each == 0) return 0;
            total += each * std::max(size, 1);
        }
        return total;
    }
};

void FlattenInitializers(const TokenStream& s, const Code& code, const HlslOutline& outline,
                         TokenEdits* edits, std::vector<Message>* messages) {
    size_t statement = 0;
    for (size_t i = 0; i < code.size(); ++i) {
        char p = code.Punct(i);
        if (p == ';' || p == '{' || p == '}' || p == ')') {
            statement = i + 1;
            continue;
        }
        if (p != '=' || code.Punct(i + 1) != '{') continue;
        Declarator d = ReadDeclarator(code, statement, i);
        const size_t open = i + 1;
        const size_t close = code.Closing(open);
        i = close;
        std::vector<Value> values;
        if (d.name == npos || close >= code.size() || !ReadValues(code, outline, open, close, &values))
            continue;
        Flattener f{s, code, outline, code.Token(open), values, 0, 0, {}, true};
        int size = f.ArraySize(d);
        int total = 0;
        for (const Value& v : values) total += v.count;
        const bool implicit = d.arrayOpen != npos && code.Punct(d.arrayOpen + 1) == ']';
        if (implicit) {
            int each = f.Count(d.type, 0);
            if (each == 0 || total % each != 0) continue;
            size = total / each;
            edits->list.push_back(
                {code.At(d.arrayOpen) + 1,
                 code.At(d.arrayOpen) + 1,
                 {s.Make(Tok::Number, std::to_string(size), code.Token(d.arrayOpen))}});
        }
        // Direct3D 9 takes exactly as many values as the type holds.
        const int each = f.Count(d.type, 0);
        if (!implicit && size >= 0 && each > 0 && total != each * std::max(size, 1)) {
            messages->push_back(ErrorAt(
                code.Pos(open), "the initializer of '" + std::string(code.Text(d.name)) +
                                    "' gives " + std::to_string(total) + " values; its type holds " +
                                    std::to_string(each * std::max(size, 1))));
            continue;
        }
        f.Declared(d.type, size, 0);
        if (!f.ok || f.value != values.size()) continue;
        edits->list.push_back({code.At(open), code.At(close) + 1, std::move(f.out)});
    }
}

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
            } else {
                edits->list.push_back({code.At(i), code.At(i) + 1, vector(all, i)});
            }
        }
    }
}

// 1xN and Nx1 matrices as vectors of N (Direct3D 9 uses them as such):
// every such type name, except a uniform's whose registers would change
// (a column-major 1xN takes N registers, a vector one); "_1N" / "_m0N"
// swizzles and "[0]" on a variable of such a type follow.
void MatrixVectors(const TokenStream& s, const Code& code, const HlslOutline& outline,
                   TokenEdits* edits) {
    bool packRows = false;
    for (const SourceToken& t : s.tokens) {
        std::string_view text = s.Text(t);
        if (t.kind == Tok::Directive && text.find("pack_matrix") != std::string_view::npos)
            packRows = text.find("row_major") != std::string_view::npos;
    }
    auto oneLine = [](Shape sh) { return sh.matrix && (sh.rows == 1 || sh.cols == 1); };
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
        anyNames = anyNames || (nt.type != npos && oneLine(ShapeOf(code.Text(nt.type))));
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
            continue;
        }
        if (!anyNames) continue;
        auto it = outline.names.find(text);
        if (it == outline.names.end() || it->second.type == npos || keep[it->second.type]) continue;
        Shape declared = ShapeOf(code.Text(it->second.type));
        if (!oneLine(declared) || it->second.array) continue;
        if (code.Punct(i + 1) == '.' && code.IsIdent(i + 2)) {
            std::string swizzle = VectorSwizzle(code.Text(i + 2), declared.rows == 1);
            if (!swizzle.empty()) retext(i + 2, swizzle);
        } else if (declared.rows == 1 && declared.cols > 1 && code.Punct(i + 1) == '[' &&
                   code.Punct(i + 3) == ']' && code.Text(i + 2) == "0") {
            edits->list.push_back({code.At(i + 1), code.At(i + 3) + 1, {}});
        }
    }
}

struct Truncations {
    const TokenStream& s;
    const Code& code;
    const HlslOutline& outline;
    TokenEdits* edits;
    std::vector<Message>* warnings;

    void Warn(size_t at) {
        warnings->push_back(WarningAt(code.Pos(at), "implicit truncation of vector type"));
    }
    // The vector (or scalar) size of a declared type; 0 for others.
    static int VectorSize(std::string_view type) {
        Shape sh = ShapeOf(type);
        return sh.rows == 1 || sh.cols == 1 ? sh.Components() : 0;
    }
    // The expression [first, last) is longer than n components.
    bool Longer(size_t first, size_t last, int n) const {
        int m = ExpressionComponents(code, outline, first, last);
        return n >= 1 && m > n && m <= 4;
    }

    // A longer vector passed to a shorter parameter of the effect's own
    // function: "(v).xy", which glslang's overload resolution takes.
    void Calls() {
        for (size_t i = 1; i + 1 < code.size(); ++i) {
            if (!code.IsIdent(i) || code.Punct(i + 1) != '(' || code.IsIdent(i - 1)) continue;
            const std::vector<size_t>& named = outline.Functions(code.Text(i));
            const size_t close = code.Closing(i + 1);
            if (named.empty() || close >= code.size()) continue;
            auto args = Arguments(code, i + 1, close);
            const FunctionOutline* callee = nullptr;
            bool ambiguous = false;
            for (size_t index : named) {
                const FunctionOutline& f = outline.functions[index];
                if (f.params.size() != args.size()) continue;
                ambiguous = ambiguous || (callee != nullptr && !SameParameters(*callee, f));
                callee = &f;
            }
            if (callee == nullptr || ambiguous) continue;
            for (size_t a = 0; a < args.size(); ++a) {
                const Declarator& d = callee->params[a];
                if (d.out || d.type == npos || d.arrayOpen != npos) continue;
                const int n = VectorSize(code.Text(d.type));
                auto [first, last] = args[a];
                if (!Longer(first, last, n)) continue;
                Warn(first);
                const SourceToken& at = code.Token(first);
                edits->list.push_back(
                    {code.At(first), code.At(first), {s.Make(Tok::Punct, "(", at)}});
                std::vector<SourceToken> tail = {
                    s.Make(Tok::Punct, ")", at), s.Make(Tok::Punct, ".", at),
                    s.Make(Tok::Ident, std::string("xyzw").substr(0, static_cast<size_t>(n)), at)};
                tail[1].flags |= kGlued;
                tail[2].flags |= kGlued;
                edits->list.push_back(
                    {code.At(last - 1) + 1, code.At(last - 1) + 1, std::move(tail)});
            }
        }
    }
    bool SameParameters(const FunctionOutline& a, const FunctionOutline& b) const {
        for (size_t p = 0; p < a.params.size(); ++p) {
            const Declarator& x = a.params[p];
            const Declarator& y = b.params[p];
            if (x.type == npos || y.type == npos || code.Text(x.type) != code.Text(y.type))
                return false;
        }
        return true;
    }

    // Assignments, initializations and returns glslang truncates without a
    // word: the warning Direct3D 9 gives.
    void Assignments() {
        for (size_t i = 1; i + 1 < code.size(); ++i) {
            if (code.Punct(i) != '=' || !code.IsIdent(i - 1) || code.Punct(i + 1) == '{') continue;
            if (i >= 2 && (code.Punct(i - 2) == '.' || code.Punct(i - 2) == ']')) continue;
            auto it = outline.names.find(code.Text(i - 1));
            if (it == outline.names.end() || it->second.type == npos || it->second.array) continue;
            size_t end = ExpressionEnd(i + 1);
            if (Longer(i + 1, end, VectorSize(code.Text(it->second.type)))) Warn(i + 1);
        }
        for (const FunctionOutline& f : outline.functions) {
            if (f.body == npos) continue;
            const int n = VectorSize(code.Text(f.name - 1));
            for (size_t k = f.body; k < f.end; ++k) {
                if (code.Text(k) != "return" || !code.IsIdent(k)) continue;
                if (Longer(k + 1, ExpressionEnd(k + 1), n)) Warn(k + 1);
            }
        }
    }
    size_t ExpressionEnd(size_t k) const {
        for (; k < code.size(); ++k) {
            char p = code.Punct(k);
            if (p == '(' || p == '[' || p == '{')
                k = code.Closing(k);
            else if (p == ',' || p == ';' || p == ')' || p == '}')
                break;
        }
        return std::min(k, code.size());
    }
};

}  // namespace

namespace {

// Comparisons and logic of matrices, as Direct3D 9 computes them: element
// by element, into a matrix of bools (held as a float matrix of 0 and 1;
// glslang compares whole matrices and has no bool matrices). "m < n"
// becomes "float2x2((m)[0] < (n)[0], (m)[1] < (n)[1])", "!m" likewise;
// a scalar operand is compared with every row; isnan, isinf, isfinite,
// modf and frexp of a matrix, and "c ? a : b" with a matrix condition, are
// taken row by row too.
class MatrixLogic {
public:
    // budget: the work the rewrites may still do (operand tokens walked),
    // shared by the rounds: a hostile file of comparisons ends the
    // rewrites, not the load.
    MatrixLogic(const TokenStream& s, const Code& code, const HlslOutline& outline,
                int64_t* budget)
        : s_(s), code_(code), outline_(outline), budget_(*budget) {
        // The names that may stand for a matrix: variables, members and
        // functions of a matrix type.
        auto matrix = [&](size_t type) {
            const Shape shape = ShapeOf(code.Text(type));
            return shape.matrix && shape.rows > 1 && shape.cols > 1;
        };
        for (const auto& [name, declared] : outline.names) {
            if (declared.type != npos && matrix(declared.type)) matrixNames_.insert(name);
        }
        for (const StructOutline& st : outline.structs) {
            for (const Declarator& m : st.members) {
                if (m.type != npos && m.name != npos && matrix(m.type))
                    matrixNames_.insert(code.Text(m.name));
            }
        }
        for (const FunctionOutline& f : outline.functions) {
            if (f.name > 0 && matrix(f.name - 1)) matrixNames_.insert(code.Text(f.name));
        }
    }

    // The innermost rewrites of the function bodies (an operand holding
    // another waits for the next round). False when there is none.
    bool Rewrite(TokenEdits* edits) {
        if (!MatrixTyped()) return false;
        opener_.assign(code_.size(), npos);
        for (size_t i = 0; i < code_.size(); ++i) {
            const char p = code_.Punct(i);
            if ((p == '(' || p == '[') && code_.Closing(i) < code_.size()) opener_[code_.Closing(i)] = i;
        }
        struct Found {
            size_t op, first, end;
            std::vector<SourceToken> tokens;
        };
        std::vector<Found> found;
        // Where the rewrites are first; the tokens only of those that wait
        // for no other.
        for (const FunctionOutline& f : outline_.functions) {
            if (f.body == npos) continue;
            for (size_t k = f.body + 1; k < f.end; ++k) {
                const char p = code_.Punct(k);
                const bool may = p == '<' || p == '>' || p == '=' || p == '!' || p == '&' ||
                                 p == '|' || p == '?' ||
                                 (code_.IsIdent(k) && (code_.Text(k).substr(0, 2) == "is" ||
                                                       code_.Text(k) == "modf" ||
                                                       code_.Text(k) == "frexp"));
                // A rewrite spans at most kMaxRewritten tokens, a matrix among them.
                const size_t near = k > kMaxRewritten ? k - kMaxRewritten : 0;
                if (!may || !MentionsMatrix(near, std::min(k + kMaxRewritten, code_.size())))
                    continue;
                Found one{k, 0, 0, {}};
                if (Candidate(k, &one.first, &one.end, nullptr)) found.push_back(std::move(one));
            }
        }
        // Found in order of their operators: those inside a's operands lie
        // between its first and end.
        std::vector<size_t> ops;
        for (const Found& a : found) ops.push_back(a.op);
        bool any = false;
        for (const Found& a : found) {
            const auto from = std::lower_bound(ops.begin(), ops.end(), a.first);
            const bool holds = std::lower_bound(from, ops.end(), a.end) - from > 1;
            if (holds) continue;
            Found made = a;
            if (!Candidate(a.op, &made.first, &made.end, &made.tokens)) continue;
            edits->list.push_back({code_.At(made.first), code_.At(made.end - 1) + 1, made.tokens});
            any = true;
        }
        return any;
    }

private:
    // The typer over an operand, its work taken from the budget.
    Shape Typed(size_t first, size_t last) const {
        budget_ -= static_cast<int64_t>(last - first);
        return budget_ < 0 ? Shape{} : MatrixShape(code_, outline_, first, last);
    }
    int Counted(size_t first, size_t last) const {
        budget_ -= static_cast<int64_t>(last - first);
        return budget_ < 0 ? 0 : ExpressionComponents(code_, outline_, first, last);
    }

    bool NamesMatrix(size_t i) const {
        if (!code_.IsIdent(i)) return false;
        const Shape shape = ShapeOf(code_.Text(i));
        return (shape.matrix && shape.rows > 1 && shape.cols > 1) ||
               matrixNames_.count(code_.Text(i)) != 0;
    }
    // A name or type of a matrix among the tokens [first, last).
    bool MentionsMatrix(size_t first, size_t last) const {
        return first < last && last < mentions_.size() && mentions_[last] > mentions_[first];
    }
    // Whether the code names a matrix at all (most effects compare none).
    bool MatrixTyped() {
        mentions_.assign(code_.size() + 1, 0);
        for (size_t i = 0; i < code_.size(); ++i) mentions_[i + 1] = mentions_[i] + NamesMatrix(i);
        return mentions_.back() > 0;
    }

    bool IsOp(size_t i) const {
        const char p = code_.Punct(i);
        return p != 0 && std::string_view("+-*/%<>=!&|^~").find(p) != std::string_view::npos;
    }
    bool Glued(size_t i) const { return (code_.Token(i).flags & kGlued) != 0; }
    bool EndsOperand(size_t i) const {
        const char p = code_.Punct(i);
        return code_.IsIdent(i) || code_.Token(i).kind == Tok::Number || p == ')' || p == ']';
    }
    // The operator a glued run of operator characters starts with at i, and
    // its precedence (higher binds tighter; 0 for an assignment).
    std::string_view Leading(size_t i, int* precedence) const {
        std::string run;
        for (size_t k = i; k < code_.size() && IsOp(k) && (k == i || Glued(k)) && run.size() < 3; ++k)
            run += code_.Punct(k);
        static const struct {
            std::string_view op;
            int precedence;
        } kOps[] = {{"<<", 7}, {">>", 7}, {"<=", 6}, {">=", 6}, {"==", 5}, {"!=", 5},
                    {"&&", 3}, {"||", 2}, {"++", 10}, {"--", 10}, {"*", 9},  {"/", 9},
                    {"%", 9},  {"+", 8},  {"-", 8},   {"<", 6},   {">", 6},   {"&", 4},
                    {"^", 4},  {"|", 4},  {"!", 10},  {"~", 10}};
        for (const auto& o : kOps) {
            if (run.compare(0, o.op.size(), o.op) != 0) continue;
            const bool assigns = run.size() > o.op.size() && run[o.op.size()] == '=' &&
                                 o.op != "<" && o.op != ">" && o.op != "!";
            *precedence = assigns ? 0 : o.precedence;
            return o.op;
        }
        *precedence = 0;  // "=" or a compound assignment
        return "=";
    }

    bool Keyword(size_t i) const {
        const std::string_view w = code_.Text(i);
        return w == "return" || w == "case" || w == "else" || w == "do" || w == "if" ||
               w == "while" || w == "for" || w == "switch";
    }

    // Where the left operand of an operator at op of this precedence begins.
    size_t Left(size_t op, int precedence) const {
        size_t k = op;
        for (int steps = 0; k > 0; ++steps) {
            if (steps > kMaxOperandSteps || --budget_ < 0) return op;  // too long: none
            const size_t t = k - 1;
            const char p = code_.Punct(t);
            if (p == ')' || p == ']') {
                if (opener_[t] == npos) break;
                k = opener_[t];
                continue;
            }
            if (IsOp(t)) {
                size_t f = t;
                while (f > 0 && IsOp(f - 1) && Glued(f)) --f;
                int q = 0;
                Leading(f, &q);
                if (f == 0 || !EndsOperand(f - 1) || q == 10) {  // a sign, ! or ++
                    k = f;
                    continue;
                }
                if (q < precedence) break;
                k = f;
                continue;
            }
            if (code_.IsIdent(t) || code_.Token(t).kind == Tok::Number) {
                if (Keyword(t)) break;
                const bool adjacent = k < op && code_.Punct(k) != '.' && code_.Punct(k) != '[' &&
                                      !(code_.Punct(k) == '(' && code_.IsIdent(t));
                if (adjacent) break;  // a type or keyword before the operand
                k = t;
                continue;
            }
            if (p == '.') {
                k = t;
                continue;
            }
            break;
        }
        return k;
    }

    // Where the right operand of an operator of this precedence ends.
    size_t Right(size_t from, int precedence) const {
        size_t k = from;
        bool start = true;  // at the start of an operand
        for (int steps = 0; k < code_.size(); ++steps) {
            if (steps > kMaxOperandSteps || --budget_ < 0) return from;  // too long: none
            const char p = code_.Punct(k);
            if (p == '(' || p == '[') {
                const size_t close = code_.Closing(k);
                if (close >= code_.size()) return k;
                // "(float2x2)" before an operand is a cast.
                const bool cast = p == '(' && close == k + 2 && ShapeOf(code_.Text(k + 1)).rows > 0 &&
                                  start;
                k = close + 1;
                start = cast;
                continue;
            }
            if (IsOp(k)) {
                size_t n = 1;
                while (k + n < code_.size() && IsOp(k + n) && Glued(k + n)) ++n;
                int q = 0;
                const std::string_view op = Leading(k, &q);
                if (start || op == "++" || op == "--") {
                    k += n;
                    continue;
                }
                if (q <= precedence) break;
                k += op.size();
                start = true;
                continue;
            }
            if (code_.IsIdent(k) || code_.Token(k).kind == Tok::Number || p == '.') {
                if (!start && p != '.' && code_.Punct(k - 1) != '.') break;
                ++k;
                start = false;
                continue;
            }
            break;
        }
        return k;
    }

    bool Candidate(size_t k, size_t* first, size_t* end, std::vector<SourceToken>* out) const {
        place_ = k;
        const std::string_view call = code_.IsIdent(k) && code_.Punct(k + 1) == '('
                                          ? code_.Text(k)
                                          : std::string_view();
        if (call == "isfinite" || call == "isnan" || call == "isinf" || call == "modf" ||
            call == "frexp") {
            // Row by row (glslang fails on isfinite, modf and frexp of a
            // matrix): modf(m, i) and frexp(m, e) write each row's second
            // part into that row of their out argument.
            const size_t close = code_.Closing(k + 1);
            if (close >= code_.size() || close - k > kMaxRewritten) return false;
            std::vector<size_t> ends;  // each argument's end: a comma or the ')'
            for (size_t i = k + 2; i <= close; ++i) {
                const char p = code_.Punct(i);
                if ((p == '(' || p == '[') && i < close) i = code_.Closing(i);
                if (p == ',' || i == close) ends.push_back(i);
            }
            const size_t arguments = call.substr(0, 2) == "is" ? 1 : 2;
            if (ends.size() != arguments) return false;
            const Shape a = Typed(k + 2, ends[0]);
            if (a.rows == 0) return false;
            *first = k;
            *end = close + 1;
            if (out == nullptr) return true;
            Rows(a, [&](int row) {
                Copy(k, out);
                Copy(k + 1, out);
                for (size_t n = 0, from = k + 2; n < ends.size(); from = ends[n++] + 1) {
                    Side(from, ends[n], true, row, out);
                    Copy(ends[n], out);  // "," or ")"
                }
            }, out);
            return true;
        }
        if (code_.Punct(k) == '?') return Select(k, first, end, out);
        if (!IsOp(k) || (k > 0 && IsOp(k - 1) && Glued(k))) return false;
        int q = 0;
        const std::string_view op = Leading(k, &q);
        const bool binary = k > 0 && EndsOperand(k - 1) && !Keyword(k - 1);  // not "return !m"
        const bool compares = q == 6 || q == 5 || q == 3 || q == 2;
        if (binary && compares) {
            const size_t left = Left(k, q), right = Right(k + op.size(), q);
            if (left >= k || right <= k + op.size() || right - left > kMaxRewritten ||
                !MentionsMatrix(left, right)) {
                return false;
            }
            const Shape a = Typed(left, k);
            const Shape b = Typed(k + op.size(), right);
            const Shape shape = a.rows > 0 ? a : b;
            if (shape.rows == 0) return false;
            // The other side is a matrix of the same shape or a scalar.
            const Shape other = a.rows > 0 ? b : a;
            const size_t otherFirst = a.rows > 0 ? k + op.size() : left;
            const size_t otherEnd = a.rows > 0 ? right : k;
            if (other.rows == 0 && Counted(otherFirst, otherEnd) != 1)
                return false;
            if (other.rows > 0 && (other.rows != shape.rows || other.cols != shape.cols))
                return false;
            *first = left;
            *end = right;
            if (out == nullptr) return true;
            Rows(shape, [&](int row) {
                Side(left, k, a.rows > 0, row, out);
                for (size_t i = k; i < k + op.size(); ++i) Copy(i, out);
                Side(k + op.size(), right, b.rows > 0, row, out);
            }, out);
            return true;
        }
        if (!binary && op == "!" && !(k + 1 < code_.size() && code_.Punct(k + 1) == '=' && Glued(k + 1))) {
            const size_t right = Right(k + 1, 10);
            if (right - k > kMaxRewritten || !MentionsMatrix(k + 1, right)) return false;
            const Shape a = Typed(k + 1, right);
            if (a.rows == 0) return false;
            *first = k;
            *end = right;
            if (out == nullptr) return true;
            Rows(a, [&](int row) {
                Copy(k, out);
                Side(k + 1, right, true, row, out);
            }, out);
            return true;
        }
        return false;
    }

    // "c ? a : b" with a matrix condition selects element by element.
    bool Select(size_t k, size_t* first, size_t* end, std::vector<SourceToken>* out) const {
        const size_t left = Left(k, 1);
        if (!MentionsMatrix(left, k)) return false;
        size_t colon = k + 1;
        for (int depth = 0; colon < code_.size(); ++colon) {
            if (--budget_ < 0) return false;
            const char p = code_.Punct(colon);
            if (p == '(' || p == '[') colon = code_.Closing(colon);
            if (p == ')' || p == ']' || p == ';' || p == ',' || p == '}' || colon >= code_.size())
                return false;
            if (p == '?') ++depth;
            if (p == ':' && depth-- == 0) break;
        }
        const size_t right = Right(colon + 1, 0);
        if (left >= k || colon >= code_.size() || right <= colon + 1 ||
            code_.Punct(right) == '?' || right - left > kMaxRewritten) {
            return false;
        }
        const Shape c = Typed(left, k);
        if (c.rows == 0) return false;
        const Shape a = Typed(k + 1, colon);
        const Shape b = Typed(colon + 1, right);
        for (const Shape& branch : {a, b}) {
            if (branch.rows > 0 && (branch.rows != c.rows || branch.cols != c.cols)) return false;
        }
        if ((a.rows == 0 && Counted(k + 1, colon) != 1) ||
            (b.rows == 0 && Counted(colon + 1, right) != 1)) {
            return false;
        }
        *first = left;
        *end = right;
        if (out == nullptr) return true;
        Rows(c, [&](int row) {
            Side(left, k, true, row, out);
            Copy(k, out);
            Side(k + 1, colon, a.rows > 0, row, out);
            Copy(colon, out);
            Side(colon + 1, right, b.rows > 0, row, out);
        }, out);
        return true;
    }

    // "floatRxC(" row 0 "," row 1 ... ")"
    template <typename Row>
    void Rows(Shape shape, Row row, std::vector<SourceToken>* out) const {
        out->clear();
        out->push_back(Made(Tok::Ident, "float" + std::to_string(shape.rows) + "x" +
                                             std::to_string(shape.cols)));
        out->push_back(Made(Tok::Punct, "("));
        for (int r = 0; r < shape.rows; ++r) {
            if (r > 0) out->push_back(Made(Tok::Punct, ","));
            row(r);
        }
        out->push_back(Made(Tok::Punct, ")"));
    }
    // "(A)[row]" for a matrix operand, "(A)" for a scalar.
    void Side(size_t first, size_t last, bool matrix, int row, std::vector<SourceToken>* out) const {
        out->push_back(Made(Tok::Punct, "("));
        for (size_t i = first; i < last; ++i) Copy(i, out);
        out->push_back(Made(Tok::Punct, ")"));
        if (!matrix) return;
        out->push_back(Made(Tok::Punct, "["));
        out->push_back(Made(Tok::Number, std::to_string(row)));
        out->push_back(Made(Tok::Punct, "]"));
    }
    void Copy(size_t i, std::vector<SourceToken>* out) const { out->push_back(code_.Token(i)); }
    SourceToken Made(Tok kind, const std::string& text) const {
        return s_.Make(kind, text, code_.Token(place_));
    }

    const TokenStream& s_;
    const Code& code_;
    const HlslOutline& outline_;
    std::vector<size_t> opener_;  // by closing bracket: its opening one
    std::set<std::string_view> matrixNames_;
    std::vector<uint32_t> mentions_;  // by token: how many before it name a matrix
    int64_t& budget_;
    // Operands longer than these are left alone (nobody compares them).
    static constexpr int kMaxOperandSteps = 256;
    static constexpr size_t kMaxRewritten = 1024;
    mutable size_t place_ = 0;    // the token made tokens are placed at
};

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
    Truncations t{*hlsl, code, outline, &edits, state.messages};
    t.Calls();
    t.Assignments();
    if (edits.list.empty()) return true;
    edits.Apply(&hlsl->tokens);
    state.Edited();
    return true;
}

bool FlattenInitializerLists(TokenRewriteState& state) {
    TokenEdits edits;
    FlattenInitializers(*state.hlsl, state.code(), state.outline(), &edits, state.messages);
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

bool RewriteMatrixLogic(TokenRewriteState& state) {
    TokenStream* hlsl = state.hlsl;
    // Comparisons of matrices, the innermost first, a round at a time. Each
    // copies its operands once per row: nested ones are bounded by rounds
    // and by the text's growth.
    const size_t bound = hlsl->tokens.size() * 4 + 4096;
    int64_t budget = int64_t{1} << 20;
    for (int round = 0; round < 8 && hlsl->tokens.size() <= bound && budget > 0; ++round) {
        TokenEdits logic;
        if (!MatrixLogic(*hlsl, state.code(), state.outline(), &budget).Rewrite(&logic)) break;
        logic.Apply(&hlsl->tokens);
        state.Edited();
    }
    return true;
}

}  // namespace fx
