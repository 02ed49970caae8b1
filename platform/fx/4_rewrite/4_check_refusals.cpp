// Stage 4: more of what Direct3D 9's compiler refuses and glslang takes,
// found in the tokens as the user wrote them:
// - an input of an entry point without a semantic: a parameter that is not
//   uniform (nor a sampler) or a member of a struct it takes;
// - uniform on a function's return type;
// - a function and a global variable of one name;
// - storage classes that contradict one another (uniform with in, out or
//   inout; static with extern, uniform or shared) or are given twice;
// - an array dimension outside 1 to 65536;
// - an array of implicit size ("float a[]") without an initializer, as a
//   struct member or in a typedef, or whose initializer's values are not a
//   whole number of its elements;
// - a matrix returned, assigned, cast or initialized into another shape it
//   does not contain (a float1x3 into a float3x1);
// - a matrix given to dot();
// - a vector or matrix constructor given more components than its type has,
//   or fewer (one scalar for a whole matrix too), where its arguments'
//   types tell;
// - a case of a switch that falls through into a case with statements.
#include <algorithm>
#include <cstdlib>
#include <set>

#include "platform/fx/4_rewrite/4_check_refusals.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {

constexpr long long kMaxArrayLength = 65536;

struct Refusals {
    const Code& code;
    const HlslOutline& outline;
    MessageSink& messages;

    void Error(size_t at, std::string text) { messages.Error(code.Pos(at), std::move(text)); }
    std::string Quoted(size_t at) const {
        std::string quoted = "'";
        quoted += code.Text(at);
        quoted += '\'';
        return quoted;
    }
    bool Word(size_t i, std::string_view w) const { return code.IsIdent(i) && code.Text(i) == w; }

    static bool IsSamplerOrTexture(std::string_view type) {
        return type.rfind("sampler", 0) == 0 || type.rfind("texture", 0) == 0 ||
               type.rfind("Texture", 0) == 0 || type == "SamplerState";
    }

    // The members of a struct an entry point reads, and of structs in it.
    void StructInputs(size_t type, int depth) {
        const StructOutline* s = outline.FindStruct(code, code.Text(type));
        if (s == nullptr || depth > 8) return;
        for (const Declarator& m : s->members) {
            if (m.semantic != npos || m.type == npos) continue;
            if (outline.FindStruct(code, code.Text(m.type)) != nullptr) {
                StructInputs(m.type, depth + 1);
            } else {
                Error(m.name, Quoted(m.name) + ": an input of an entry point needs a semantic");
            }
        }
    }

    void EntryInputs(const std::string& entry) {
        for (size_t index : outline.Functions(entry)) {
            const FunctionOutline& f = outline.functions[index];
            if (f.body == npos) continue;
            for (const Declarator& d : f.params) {
                // An out or inout one is an output (its check is CheckHlsl's).
                if (d.out || d.semantic != npos || d.type == npos || d.name == npos) continue;
                bool uniform = false;
                for (size_t k = d.first; k < d.type; ++k) uniform = uniform || Word(k, "uniform");
                if (uniform || IsSamplerOrTexture(code.Text(d.type))) continue;
                if (outline.FindStruct(code, code.Text(d.type)) != nullptr) {
                    StructInputs(d.type, 0);
                } else {
                    Error(d.name, Quoted(d.name) + ": an input of an entry point needs a semantic "
                                                   "(or 'uniform', for a value the program sets)");
                }
            }
        }
    }

    void UniformReturns() {
        for (const FunctionOutline& f : outline.functions) {
            for (size_t k = f.returnType; k < f.name; ++k) {
                if (Word(k, "uniform")) {
                    Error(k, "'uniform' cannot qualify the return type of " + Quoted(f.name));
                }
            }
        }
    }

    // A function and a global variable of one name: the later of the two
    // declarations is an error (glslang refuses it, or crashes where the
    // function is the entry point and the global is not read).
    void FunctionsNamedAsGlobals() {
        std::set<std::string_view> said;
        for (const FunctionOutline& f : outline.functions) {
            const auto it = outline.scoped.find(code.Text(f.name));
            if (it == outline.scoped.end() || said.count(code.Text(f.name))) continue;
            for (const ScopedName& d : it->second) {
                if (d.from != 0 || d.to != code.size()) continue;  // not a global
                said.insert(code.Text(f.name));
                Error(std::max(d.declared.name, f.name),
                      Quoted(f.name) + " names both a global variable and a function");
                break;
            }
        }
    }

    static bool StorageWord(std::string_view w) {
        return OneOf(w, {"uniform", "extern", "static", "shared", "groupshared", "const",
                         "volatile", "in", "out", "inout"});
    }

    // A run of storage classes and parameter directions: one given twice, or
    // two that contradict one another, is an error at the second.
    void StorageClasses() {
        auto contradict = [](std::string_view a, std::string_view b) {
            auto direction = [](std::string_view w) { return w == "in" || w == "out" || w == "inout"; };
            auto pair = [&](std::string_view x, std::string_view y) {
                return (a == x && b == y) || (a == y && b == x);
            };
            return (direction(a) && b == "uniform") || (direction(b) && a == "uniform") ||
                   (direction(a) && direction(b) && (a == "inout" || b == "inout")) ||
                   pair("static", "extern") || pair("static", "uniform") ||
                   pair("static", "shared") || pair("static", "groupshared");
        };
        for (size_t i = 0; i < code.size(); ++i) {
            if (!code.IsIdent(i) || !StorageWord(code.Text(i))) continue;
            if (i > 0 && code.IsIdent(i - 1) && IsQualifier(code.Text(i - 1))) continue;
            // The run from i, other qualifiers (row_major, precise) within it.
            std::vector<size_t> run;
            size_t k = i;
            for (; code.IsIdent(k) && (StorageWord(code.Text(k)) || IsQualifier(code.Text(k)));
                 ++k) {
                if (!StorageWord(code.Text(k))) continue;
                for (size_t before : run) {
                    if (code.Text(before) == code.Text(k)) {
                        Error(k, Quoted(k) + " is given twice");
                        break;
                    }
                    if (contradict(code.Text(before), code.Text(k))) {
                        Error(k, Quoted(k) + " contradicts " + Quoted(before));
                        break;
                    }
                }
                run.push_back(k);
            }
            i = k;
        }
    }

    // "[N]" of a declaration: Direct3D 9 takes 1 to 65536 elements.
    void ArrayLengths() {
        for (size_t i = 2; i + 2 < code.size(); ++i) {
            if (code.Punct(i) != '[' || code.Token(i + 1).kind != Tok::Number ||
                code.Punct(i + 2) != ']' || !Declared(i)) {
                continue;
            }
            const std::string digits(code.Text(i + 1));
            const long long n = std::strtoll(digits.c_str(), nullptr, 0);
            if (n == 0 || n > kMaxArrayLength) {
                Error(i + 1, "an array dimension must be between 1 and 65536, not " + digits);
            }
        }
    }

    // Whether the '[' at i follows a declared name ("float a[", "a[2][",
    // "float a, b["): a type name before the name, not a statement's word.
    bool Declared(size_t open) const {
        size_t name = open - 1;
        while (code.Punct(name) == ']' && name > 0) {
            size_t k = name;
            while (k > 0 && code.Punct(k) != '[') --k;  // "[N]" of a first dimension
            if (k == 0) return false;
            name = k - 1;
        }
        if (!code.IsIdent(name) || name == 0) return false;
        const size_t before = name - 1;
        if (code.IsIdent(before)) {
            const std::string_view w = code.Text(before);
            return w != "return" && w != "case" && w != "else" && w != "do";
        }
        // "float a = 1, b[3]": a comma in a declaration statement.
        if (code.Punct(before) != ',') return false;
        for (size_t k = before; k > 0; --k) {
            const char p = code.Punct(k);
            if (p == ';' || p == '{' || p == '}' || p == '(' || p == ')') return false;
            if (code.IsIdent(k) && code.IsIdent(k - 1)) return true;
        }
        return false;
    }

    // "float a[]": the initializer gives the length.
    void ImplicitLengths() {
        std::vector<bool> member(code.size() + 1, false), parameter(code.size() + 1, false);
        for (const StructOutline& s : outline.structs)
            for (size_t k = s.open; k <= s.close && k < code.size(); ++k) member[k] = true;
        for (const FunctionOutline& f : outline.functions)
            for (size_t k = f.open; k <= f.close && k < code.size(); ++k) parameter[k] = true;
        for (size_t i = 1; i + 1 < code.size(); ++i) {
            if (code.Punct(i) != '[' || code.Punct(i + 1) != ']' || !code.IsIdent(i - 1)) continue;
            const size_t name = i - 1;
            if (parameter[i]) continue;  // glslang says what it says of those
            if (member[i]) {
                Error(name, Quoted(name) + ": a struct member needs an array size");
                continue;
            }
            // The statement's first word: typedef?
            size_t start = name;
            while (start > 0 && code.Punct(start - 1) != ';' && code.Punct(start - 1) != '{' &&
                   code.Punct(start - 1) != '}' && code.Punct(start - 1) != '(' &&
                   code.Punct(start - 1) != ',') {
                --start;
            }
            if (Word(start, "typedef")) {
                Error(name, Quoted(name) + ": a typedef needs an array size");
                continue;
            }
            size_t after = i + 2;
            if (code.Punct(after) == ':' && code.IsIdent(after + 1)) after += 2;  // a semantic
            if (code.Punct(after) != '=') {
                if (code.Punct(after) == ';' || code.Punct(after) == ',')
                    Error(name, Quoted(name) + ": an array without a size needs an initializer");
                continue;
            }
            WholeElements(name, after + 1);
        }
    }

    // The initializer list at open of an array of implicit size: its values
    // must fill a whole number of elements.
    void WholeElements(size_t name, size_t open) {
        if (code.Punct(open) != '{') return;
        const NameTypeOf type = TypeOf(name);
        if (type.components < 1) return;
        int values = 0;
        if (!CountValues(open, &values)) return;
        if (values / type.components > kMaxArrayLength) {
            Error(name, Quoted(name) + ": the initializer's " + std::to_string(values) +
                            " values make more than 65536 elements");
            return;
        }
        if (values % type.components == 0) return;
        Error(name, Quoted(name) + ": the initializer's " + std::to_string(values) +
                        " values are not a whole number of " + std::string(code.Text(type.at)) +
                        " elements");
    }

    struct NameTypeOf {
        size_t at = npos;
        int components = 0;
    };
    NameTypeOf TypeOf(size_t name) const {
        size_t k = name - 1;
        if (!code.IsIdent(k)) return {};
        return {k, Components(code.Text(k))};
    }

    // The values of a (nested) list, each item's components from the declared
    // types; false when one cannot be told.
    bool CountValues(size_t open, int* values) const {
        for (const auto& [first, last] : ListItems(code, open, code.Closing(open))) {
            if (first >= last) continue;
            if (code.Punct(first) == '{' && code.Closing(first) + 1 == last) {
                if (!CountValues(first, values)) return false;
                continue;
            }
            const int n = ExpressionComponents(code, outline, first, last);
            if (n <= 0) return false;
            *values += n;
        }
        return true;
    }

    // The matrix type of a lone name (or a cast to a matrix type).
    Shape MatrixOf(size_t first, size_t last) const {
        while (first + 1 < last && code.Punct(first) == '(' && code.Closing(first) == last - 1) {
            ++first;
            --last;
        }
        if (first + 3 < last + 1 && code.Punct(first) == '(' && code.IsIdent(first + 1) &&
            code.Punct(first + 2) == ')' && ShapeOf(code.Text(first + 1)).matrix) {
            return ShapeOf(code.Text(first + 1));  // "(float3x1)m": the cast's own check
        }
        if (last != first + 1 || !code.IsIdent(first)) return {};
        const NameType* it = outline.Declared(code, first);
        if (it == nullptr || it->type == npos || it->array) return {};
        const Shape s = ShapeOf(code.Text(it->type));
        return s.matrix ? s : Shape{};
    }

    // A matrix converted into another shape must contain it (a float4x4 into
    // a float3x3 keeps its top left); a transposed shape it does not.
    void Converted(size_t at, Shape to, std::string_view toName, size_t first, size_t last) {
        if (!to.matrix) return;
        const Shape from = MatrixOf(first, last);
        // A 1x1 matrix is one value, which fills any shape.
        if (!from.matrix || from.Components() == 1 ||
            (from.rows >= to.rows && from.cols >= to.cols)) {
            return;
        }
        Error(at, "a " + std::to_string(from.rows) + "x" + std::to_string(from.cols) +
                      " matrix cannot convert into " + std::string(toName) +
                      " (only into a shape it contains)");
    }

    // The end of the expression from first: the ';', ',' or ')' that ends it.
    size_t ExpressionEnd(size_t first, size_t limit) const {
        size_t k = first;
        for (; k < limit; ++k) {
            const char p = code.Punct(k);
            if (p == '(' || p == '[' || p == '{') {
                k = code.Closing(k);
                continue;
            }
            if (p == ';' || p == ',' || p == ')' || p == '}') break;
        }
        return k;
    }

    void MatrixShapes() {
        for (const FunctionOutline& f : outline.functions) {
            if (f.body == npos) continue;
            const Shape result = ShapeOf(code.Text(f.name - 1));
            for (size_t i = f.body + 1; i < f.end; ++i) {
                if (Word(i, "return")) {
                    Converted(i, result, code.Text(f.name - 1), i + 1, ExpressionEnd(i + 1, f.end));
                } else if (code.Punct(i) == '(' && code.IsIdent(i + 1) && code.Punct(i + 2) == ')' &&
                           ShapeOf(code.Text(i + 1)).matrix && i + 3 < f.end &&
                           code.IsIdent(i + 3) && code.Punct(i + 4) != '(' &&
                           code.Punct(i + 4) != '.' && code.Punct(i + 4) != '[') {
                    // "(float3x1)m"
                    Converted(i + 1, ShapeOf(code.Text(i + 1)), code.Text(i + 1), i + 3, i + 4);
                } else if (code.Punct(i) == '=' && code.IsIdent(i - 1) &&
                           code.Punct(i + 1) != '=' && code.Punct(i - 2) != '.') {
                    // "float3x1 b = a;" and "b = a;"
                    const NameType* it = outline.Declared(code, i - 1);
                    if (it == nullptr || it->type == npos || it->array) continue;
                    const std::string_view type = code.Text(it->type);
                    Converted(i, ShapeOf(type), type, i + 1, ExpressionEnd(i + 1, f.end));
                }
            }
        }
    }

    void MatricesInDot() {
        if (!outline.Functions("dot").empty()) return;  // the shader's own
        for (size_t i = 0; i + 1 < code.size(); ++i) {
            if (!Word(i, "dot") || code.Punct(i + 1) != '(' || (i > 0 && code.Punct(i - 1) == '.')) continue;
            for (const auto& [first, last] : ListItems(code, i + 1, code.Closing(i + 1))) {
                const Shape m = MatrixShape(code, outline, first, last);
                const Shape named = MatrixOf(first, last);
                if (m.rows > 0 || (named.matrix && named.rows > 1 && named.cols > 1)) {
                    Error(i, "'dot' takes vectors, not a matrix");
                    break;
                }
            }
        }
    }

    // "float4(a, b, float3(c))": a numeric constructor takes exactly its
    // type's components (a matrix argument counts its elements). An argument
    // whose type cannot be told (a struct, an array, some calls) counts as
    // at least one component.
    void ConstructorComponents() {
        for (size_t i = 0; i + 1 < code.size(); ++i) {
            if (!code.IsIdent(i) || code.Punct(i + 1) != '(' || (i > 0 && code.Punct(i - 1) == '.'))
                continue;
            const Shape type = ShapeOf(code.Text(i));
            // A function of the effect may take a type's name (it is called).
            if (type.Components() <= 1 || !outline.Functions(code.Text(i)).empty()) continue;
            const size_t close = code.Closing(i + 1);
            if (close >= code.size()) continue;
            int given = 0;
            bool known = true;
            for (const auto& [first, last] : ListItems(code, i + 1, close)) {
                if (first >= last) continue;
                int n = ExpressionComponents(code, outline, first, last);
                if (n == 0) n = MatrixShape(code, outline, first, last).Components();
                if (n == 0) {
                    known = false;
                    n = 1;
                }
                given += n;
            }
            if (given > type.Components() || (known && given < type.Components())) {
                Error(i, "incorrect number of arguments to numeric-type constructor: " +
                             std::string(code.Text(i)) + " has " +
                             std::to_string(type.Components()) + " components, given " +
                             (known ? "" : "at least ") + std::to_string(given));
            }
        }
    }

    // Within a switch: a case whose statements can reach the next label,
    // when that label has statements of its own.
    void FallThrough() {
        for (size_t i = 0; i + 1 < code.size(); ++i) {
            if (!Word(i, "switch") || code.Punct(i + 1) != '(') continue;
            const size_t open = code.Closing(i + 1) + 1;
            if (code.Punct(open) != '{') continue;
            const size_t close = code.Closing(open);
            // The labels at the switch's own depth: "case X:" or "default:".
            std::vector<std::pair<size_t, size_t>> labels;  // label word, after its ':'
            for (size_t k = open + 1; k < close; ++k) {
                if (code.Punct(k) == '{' || code.Punct(k) == '(') {
                    k = code.Closing(k);
                    continue;
                }
                if (Word(k, "case") || Word(k, "default")) {
                    size_t colon = k + 1;
                    while (colon < close && code.Punct(colon) != ':') ++colon;
                    labels.emplace_back(k, colon + 1);
                    k = colon;
                }
            }
            for (size_t l = 0; l + 1 < labels.size(); ++l) {
                const size_t from = labels[l].second, to = labels[l + 1].first;
                const size_t nextEnd = l + 2 < labels.size() ? labels[l + 2].first : close;
                if (from == to || labels[l + 1].second == nextEnd) continue;  // an empty case
                if (!Leaves(from, to)) {
                    Error(labels[l + 1].first, "a case cannot fall through into another that has "
                                               "statements: end the one before with break or return");
                }
            }
        }
    }

    // Whether the statements in [first, last) end in break, return, continue
    // or discard (the last statement of a block that ends so counts).
    bool Leaves(size_t first, size_t last) const {
        if (last <= first) return false;
        size_t end = last - 1;
        if (code.Punct(end) == '}') {
            const size_t open = [&] {
                for (size_t k = first; k < last; ++k)
                    if (code.Punct(k) == '{' && code.Closing(k) == end) return k;
                return npos;
            }();
            if (open == npos) return false;
            return Leaves(open + 1, end);
        }
        if (code.Punct(end) != ';') return false;
        // The last statement's first word.
        size_t k = end;
        while (k > first && code.Punct(k - 1) != ';' && code.Punct(k - 1) != '}' &&
               code.Punct(k - 1) != '{') {
            --k;
        }
        if (Word(k, "else")) ++k;
        return Word(k, "break") || Word(k, "return") || Word(k, "continue") || Word(k, "discard");
    }
};

}  // namespace

void CheckRefusals(const Code& code, const HlslOutline& outline,
                   const std::vector<std::string>& entries, MessageSink& messages) {
    Refusals r{code, outline, messages};
    std::set<std::string> done;
    for (const std::string& entry : entries)
        if (done.insert(entry).second) r.EntryInputs(entry);
    r.UniformReturns();
    r.FunctionsNamedAsGlobals();
    r.StorageClasses();
    r.ArrayLengths();
    r.ImplicitLengths();
    r.MatrixShapes();
    r.MatricesInDot();
    r.ConstructorComponents();
    r.FallThrough();
}

}  // namespace fx
