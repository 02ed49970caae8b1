// Stage 4: matrices of ints and bools held as float matrices (see
// 4_int_matrices.h). A value converted into one is wrapped:
//   int2x2:  trunc((float2x2)(e))
//   bool2x2: ceil(saturate(abs((float2x2)(e))))   (0 stays 0, all else is 1)
// which takes a scalar, a vector or a matrix alike (the cast spreads a
// scalar, made a float first; the intrinsics run element by element). A
// call whose out argument is such a matrix goes through a helper that
// converts what the function wrote (Calls). Names are looked up in the
// function that uses them first, then among the globals.
#include "platform/fx/4_rewrite/matrices/4_int_matrices.h"

#include <algorithm>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/matrices/4_int_matrices_rewrite.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace int_matrices {

char MatrixKind(std::string_view type) {
    const Shape shape = ShapeOf(type);
    if (!shape.matrix || shape.rows < 2 || shape.cols < 2) return 0;
    if (type.substr(0, 4) == "bool") return 'b';
    for (std::string_view b : {"int", "uint", "dword", "min16int", "min12int", "min16uint"})
        if (type.substr(0, b.size()) == b) return 'i';
    return 0;
}

IntMatrices::IntMatrices(const TokenStream& s, const Code& code, const HlslOutline& outline)
    : s_(s), code_(code), outline_(outline) {
    // "typedef int3x3 I3;" and the members of structs of such types.
    for (size_t i = 0; i + 3 < code.size(); ++i) {
        if (code.Text(i) == "typedef" && code.IsIdent(i) && MatrixKind(code.Text(i + 1)) &&
            code.IsIdent(i + 2) && code.Punct(i + 3) == ';')
            aliases_[code.Text(i + 2)] = code.Text(i + 1);
    }
    for (const StructOutline& st : outline.structs) {
        for (const Declarator& m : st.members) {
            if (m.type != npos && m.name != npos && Kind(code.Text(m.type)) != 0)
                members_[code.Text(m.name)] = {code.Text(m.type), m.arrayOpen != npos};
        }
    }
}

void IntMatrices::Find(TokenEdits* edits) {
    std::vector<int> inFunction(code_.size() + 1, 0);  // 1 parameters, 2 body
    owner_.assign(code_.size() + 1, 0);
    locals_.resize(outline_.functions.size());
    for (size_t n = 0; n < outline_.functions.size(); ++n) {
        const FunctionOutline& f = outline_.functions[n];
        for (size_t k = f.open; k <= f.close && k < code_.size(); ++k) inFunction[k] = 1;
        if (f.body == npos) continue;
        for (size_t k = f.open; k <= f.end && k < code_.size(); ++k) owner_[k] = n + 1;
        for (size_t k = f.body; k <= f.end && k < code_.size(); ++k) inFunction[k] = 2;
        Locals(f, &locals_[n]);
    }
    for (size_t i = 0; i < code_.size(); ++i) {
        if (!code_.IsIdent(i)) continue;
        const std::string_view word = code_.Text(i);
        const char kind = Kind(word);
        if (kind != 0) {
            Type(i, kind, inFunction[i], edits, MatrixKind(word) != 0);
        } else if (code_.Punct(i - 1) != '.' || i == 0) {
            Name(i, inFunction[i]);
        } else {
            Name(i, 2);  // a member written
        }
    }
    for (const FunctionOutline& f : outline_.functions) Function(f, edits);
    Overloads(edits);
    for (const FunctionOutline& f : outline_.functions) Calls(f, edits);
    for (const auto& [start, op, end, name] : once_) {
        edits->Replace(code_.At(start), code_.At(start),
                       {Make(Tok::Ident, name, start), Make(Tok::Punct, "(", start)});
        edits->Replace(code_.At(op), code_.At(op) + 2, {Make(Tok::Punct, ",", op)});
        edits->Replace(code_.At(end), code_.At(end), {Make(Tok::Punct, ")", end)});
    }
    for (const auto& [owner, text] : onceDefinitions_) {
        const size_t at = DeclarationStart(code_, outline_.functions[owner]);
        edits->Replace(code_.At(at), code_.At(at), s_.MakeTokens(text, code_.Token(at)));
    }
    // Of wraps that start at one token, the outer one's tokens go first:
    // it is added last (TokenEdits puts the later insertion first).
    // Of two alike ("int2x2 a = (int2x2)e"), the cast's is the one made;
    // a uniform's read goes inside what it is converted to ("int2x2 a =
    // b" of a uniform bool2x2 b: made 0 / 1, then whole).
    // An element read ("int2(m[0])") goes inside any other wrap of the same
    // tokens, outside any shorter one (a uniform's read).
    Values();
    for (const ElementRead& r : elementReads_)
        wraps_.push_back({r.first, r.last, 'i', "", r.first, true, false, false, r.components});
    std::stable_sort(wraps_.begin(), wraps_.end(), [](const Wrap& a, const Wrap& b) {
        if (a.first != b.first) return a.first < b.first;
        if (a.last != b.last) return a.last < b.last;
        if ((a.ints != 0) != (b.ints != 0)) return a.ints != 0;
        if (a.read != b.read) return a.read;
        return a.cast > b.cast;
    });
    for (size_t w = 0; w < wraps_.size(); ++w) {
        // "int2x2 a = int2x2(...)" converts once.
        const Wrap& x = wraps_[w];
        const bool twice = w > 0 && wraps_[w - 1].first == x.first &&
                           wraps_[w - 1].last == x.last && wraps_[w - 1].kind == x.kind &&
                           wraps_[w - 1].floatType == x.floatType && !x.element;
        if (!twice) Apply(x, edits);
    }
}

SourceToken IntMatrices::Make(Tok kind, std::string_view text, size_t at) const {
    return s_.Make(kind, text, code_.Token(std::min(at, code_.size() - 1)));
}

// The kind of a type name or of a typedef of one.
char IntMatrices::Kind(std::string_view type) const {
    auto alias = aliases_.find(type);
    return MatrixKind(alias != aliases_.end() ? alias->second : type);
}

std::string IntMatrices::FloatType(std::string_view type) const {
    auto alias = aliases_.find(type);
    if (alias != aliases_.end()) type = alias->second;
    return "float" + std::string(type.substr(type.size() - 3));
}

// A type name: respelled as the float matrix, and what it declares or
// makes converted.
void IntMatrices::Type(size_t i, char kind, int where, TokenEdits* edits, bool respell) {
    const std::string f = FloatType(code_.Text(i));
    if (respell) edits->Replace(code_.At(i), code_.At(i) + 1, {Make(Tok::Ident, f, i)});
    if (code_.Punct(i + 1) == '(') {  // a constructor
        const size_t close = code_.Closing(i + 1);
        if (close >= code_.size()) return;
        wraps_.push_back({i, close + 1, kind, f, i});
        // One scalar spread: made a float first, as a cast's (Apply).
        if (close > i + 2 && ListItems(code_, i + 1, close).size() == 1 &&
            ExpressionComponents(code_, outline_, i + 2, close) == 1) {
            edits->Replace(code_.At(i + 2), code_.At(i + 2),
                           {Make(Tok::Punct, "(", i + 2), Make(Tok::Ident, "float", i + 2),
                            Make(Tok::Punct, ")", i + 2), Make(Tok::Punct, "(", i + 2)});
            edits->Replace(code_.At(close), code_.At(close), {Make(Tok::Punct, ")", close)});
        }
        return;
    }
    if (i > 0 && code_.Punct(i - 1) == '(' && code_.Punct(i + 1) == ')') {  // a cast
        const size_t end = CastOperandEnd(code_, outline_, i + 2);
        if (end != npos) wraps_.push_back({i - 1, end, kind, f, i, false, true});
        return;
    }
    // Declarations: "T a = e, b = f;" (not of parameters, whose values
    // are converted where the body starts).
    if (where == 1) return;
    for (size_t k = i + 1; code_.IsIdent(k) && k + 1 < code_.size();) {
        const size_t name = k;
        if (code_.Punct(k + 1) == '(') return;  // a function returning T
        ++k;
        const bool array = code_.Punct(k) == '[';
        while (code_.Punct(k) == '[') k = code_.Closing(k) + 1;
        if (code_.Punct(k) == ':') {
            while (k < code_.size() && code_.Punct(k) != '=' && code_.Punct(k) != ';' &&
                   code_.Punct(k) != ',')
                k = code_.Punct(k) == '(' ? code_.Closing(k) + 1 : k + 1;
        }
        if (code_.Punct(k) == '=' && array) {
            // An array's list: each value converted where it stands.
            if (code_.Punct(k + 1) == '{' && !Uniform(name)) ListValues(k + 1, kind, f, 0);
            k = ExpressionEnd(code_, k + 1);
        } else if (code_.Punct(k) == '=' && code_.Punct(k + 1) != '{') {
            const size_t end = ExpressionEnd(code_, k + 1);
            if (!Uniform(name)) wraps_.push_back({k + 1, end, kind, f, k});
            k = end;
        }
        if (code_.Punct(k) != ',') return;
        ++k;
    }
}

// The values of the list opened at open (of lists inside it too), each
// a matrix or some of its components: converted as they are, no cast.
void IntMatrices::ListValues(size_t open, char kind, const std::string& f, int depth) {
    const size_t close = code_.Closing(open);
    if (close >= code_.size() || depth > 8) return;
    for (auto [first, last] : ListItems(code_, open, close)) {
        if (code_.Punct(first) == '{' && code_.Closing(first) == last - 1)
            ListValues(first, kind, f, depth + 1);
        else
            wraps_.push_back({first, last, kind, f, first, true});
    }
}

bool IntMatrices::Uniform(size_t name) const {
    const NameType* known = Declared(name);
    return known != nullptr && known->uniform && known->name == name;
}

// The declaration of the name at i: the function's own parameter or
// local of that name, else the outline's (a global).
const NameType* IntMatrices::Declared(size_t i) const {
    const std::string_view name = code_.Text(i);
    if (i < owner_.size() && owner_[i] != 0) {
        const auto& locals = locals_[owner_[i] - 1];
        auto it = locals.find(name);
        if (it != locals.end()) return &it->second;
    }
    return outline_.Declared(code_, i);
}

// The parameters and locals f declares ("[qualifiers] TYPE NAME ...,
// NAME ...;" where a statement starts), each with its type; npos for a
// name declared with two types.
void IntMatrices::Locals(const FunctionOutline& f,
                         std::unordered_map<std::string_view, NameType>* out) {
    auto note = [&](size_t type, size_t name, bool array) {
        auto [it, added] = out->try_emplace(code_.Text(name), NameType{type, name, array, false});
        if (!added && (it->second.type == npos || it->second.array != array ||
                       code_.Text(it->second.type) != code_.Text(type)))
            it->second.type = npos;
    };
    for (const Declarator& d : f.params)
        if (d.type != npos && d.name != npos) note(d.type, d.name, d.arrayOpen != npos);
    auto declares = [&](size_t name) {
        if (!code_.IsIdent(name)) return false;
        const char after = code_.Punct(name + 1);
        return after == '=' || after == ';' || after == ',' || after == '[' || after == ':';
    };
    for (size_t i = f.body + 1; i < f.end; ++i) {
        const char p = code_.Punct(i);
        if (!(p == ';' || p == '{' || p == '}' || (p == '(' && code_.Text(i - 1) == "for")))
            continue;
        size_t k = i + 1;
        while (code_.IsIdent(k) && IsQualifier(code_.Text(k))) ++k;
        if (!code_.IsIdent(k) || !declares(k + 1)) continue;
        const std::string_view word = code_.Text(k);
        if (word == "return" || word == "else" || word == "do" || word == "case" ||
            word == "struct" || word == "typedef")
            continue;
        for (size_t name = k + 1; declares(name);) {
            note(k, name, code_.Punct(name + 1) == '[');
            size_t j = name + 1;
            for (; j < f.end; ++j) {
                const char q = code_.Punct(j);
                if (q == '(' || q == '[' || q == '{') j = code_.Closing(j);
                if (q == ',' || q == ';' || q == ')' || q == '}') break;
            }
            if (code_.Punct(j) != ',') break;
            name = j + 1;
        }
    }
}

// A name: an assignment to a variable of such a type converts what it
// assigns; a uniform's registers are converted where they are read.
void IntMatrices::Name(size_t i, int where) {
    if (where == 2 && i > 0 && code_.Punct(i - 1) == '.') {
        MemberRead(i);
        return;
    }
    const NameType* known = Declared(i);
    if (known == nullptr || known->type == npos || known->name == i || where != 2) return;
    if (i > 0 && code_.IsIdent(i - 1) &&
        (ShapeOf(code_.Text(i - 1)).rows > 0 ||
         outline_.FindStruct(code_, code_.Text(i - 1)) != nullptr))
        return;  // declared again
    const std::string_view type = code_.Text(known->type);
    const char kind = Kind(type);
    if (kind == 0 || code_.Punct(i + 1) == '(') return;
    const std::string f = FloatType(type);
    const bool array = known->array;
    if (Written(i, kind, f, array)) return;
    // The matrix read: the name, or an element of an array of them.
    size_t end = i + 1;
    if (array) {
        if (code_.Punct(end) != '[') return;  // the whole array
        end = code_.Closing(end) + 1;
        if (end > code_.size()) return;
    }
    Read(i, end, kind, f, known->uniform);
}

// A member of a struct (the struct a variable, or its element) that is
// such a matrix, or an array of them: read as a local or a uniform one is.
void IntMatrices::MemberRead(size_t i) {
    auto member = members_.find(code_.Text(i));
    if (member == members_.end()) return;
    const std::string_view type = member->second.type;
    const std::string f = FloatType(type);
    if (Written(i, Kind(type), f, member->second.array)) return;
    size_t end = i + 1;
    if (member->second.array) {
        if (code_.Punct(end) != '[') return;  // the whole array
        end = code_.Closing(end) + 1;
        if (end > code_.size()) return;
    }
    const size_t root = LeftSideStart(i);
    if (root == npos) return;
    const NameType* known = Declared(root);
    Read(root, end, Kind(type), f, known != nullptr && known->uniform);
}

// The matrix [first, end) read (a name, an element of an array of them, a
// member): a uniform's registers converted, its elements, rows and
// swizzles ints.
void IntMatrices::Read(size_t first, size_t end, char kind, const std::string& f, bool uniform) {
    const size_t i = first;
    const bool glued = end + 1 < code_.size() && (code_.Token(end + 1).flags & kGlued) != 0;
    const char op = code_.Punct(end);
    const bool written = (op == '+' || op == '-') && glued && code_.Punct(end + 1) == op;
    const bool before = i >= 2 && (code_.Punct(i - 1) == '+' || code_.Punct(i - 1) == '-') &&
                        code_.Punct(i - 2) == code_.Punct(i - 1);
    if (uniform && !written && !before && !WholeArgument(i, end))
        wraps_.push_back({i, end, kind, f, i, false, false, true});
    // An element, row or swizzle of an int matrix read as a value is an
    // int, a vector of ints ("m[0].x / 4" truncates): "int(m[0].x)".
    const size_t past = PastAccessors(end);
    const char next = code_.Punct(past);
    const bool stepped = (next == '+' || next == '-') && code_.Punct(past + 1) == next;
    const bool assigned = next == '=' && code_.Punct(past + 1) != '=';
    if (kind == 'i' && past > end && !stepped && !assigned && !before &&
        !MayBeWritten(i, past)) {
        const std::string reached = Reached(f, end, past);
        const int n = reached.empty() ? 0 : ShapeOf(reached).Components();
        if (n >= 1 && n <= 4) elementReads_.push_back({i, past, n});
    }
}

// Whether the argument [first, last) of a call may be written back: given
// to the effect's own function (an out or inout parameter) or to modf,
// frexp or sincos.
bool IntMatrices::MayBeWritten(size_t first, size_t last) const {
    const char before = code_.Punct(first - 1);
    if ((before != '(' && before != ',') || (code_.Punct(last) != ',' && code_.Punct(last) != ')'))
        return false;
    size_t end = last;
    while (end < code_.size() && code_.Punct(end) == ',') end = fx::ExpressionEnd(code_, end + 1);
    if (end >= code_.size() || code_.Punct(end) != ')') return false;
    const size_t open = OpeningBracket(code_, end);
    if (open == npos || open == 0 || !code_.IsIdent(open - 1)) return false;
    const std::string_view f = code_.Text(open - 1);
    // (The intrinsics as 4_intrinsic_overloads may have renamed them too.)
    return !outline_.Functions(f).empty() ||
           OneOf(f, {"modf", "frexp", "sincos", "fx_modf_", "fx_frexp_", "fx_sincos_"});
}

// Past the elements and members read after a name or a call at k
// ("[i].m[j]").
size_t IntMatrices::PastAccessors(size_t k) const { return fx::PastAccessors(code_, k); }

// An assignment to the name at i (of such a type, or an array of them
// whose element it indexes), its elements or members: what it assigns
// converted. False when it is none.
bool IntMatrices::Written(size_t i, char kind, const std::string& f, bool array) {
    size_t k = i + 1;
    if (array) {
        if (code_.Punct(k) != '[') return false;
        k = code_.Closing(k) + 1;
        if (k >= code_.size()) return false;
    }
    const size_t whole = k;
    k = PastAccessors(k);
    // "(m)[0] += e", "(s.m) *= e": brackets around the left side.
    size_t bracket = npos;  // the outermost '(' of them
    while (code_.Punct(k) == ')') {
        const size_t open = OpeningBracket(code_, k);
        const size_t start = LeftSideStart(i);
        if (open == npos || start == npos || open >= start || code_.Punct(open) != '(' ||
            (open > 0 && code_.IsIdent(open - 1)))
            break;
        bracket = open;
        k = PastAccessors(k + 1);
    }
    const bool glued = k + 1 < code_.size() && (code_.Token(k + 1).flags & kGlued) != 0;
    const char next = code_.Punct(k + 1);
    const bool element = k != whole;
    if (code_.Punct(k) == '=' && !(glued && next == '=')) {
        const size_t end = ExpressionEnd(code_, k + 1);
        wraps_.push_back({k + 1, end, kind, f, k, element});
        return true;
    }
    const char op = code_.Punct(k);
    if (op != 0 && std::string_view("+-*/%").find(op) != std::string_view::npos && glued &&
        next == '=') {
        // "s.m[1] op= e" -> "s.m[1] = conv(s.m[1] op (e))": the left side
        // is read twice, so one that calls or writes anything goes
        // through a helper that takes it once (Once).
        const size_t start = bracket != npos ? bracket : LeftSideStart(i);
        if (start == npos) {
            errors_.push_back(i);  // "f().m += e": no variable to write
            return true;
        }
        const size_t end = ExpressionEnd(code_, k + 2);
        // A uniform's registers are converted where they are read.
        const NameType* root = start == i || start == bracket ? Declared(i) : nullptr;
        const bool read = root != nullptr && root->uniform;
        if (!Plain(start, k)) {
            if (Reached(f, whole, k).empty()) errors_.push_back(i);
            Once(start, whole, k, end, kind, f, read);
            return true;
        }
        compound_.push_back({start, k, end, read});
        wraps_.push_back({k, end, kind, f, k, element});
        return true;
    }
    return false;
}

// The type of what the accessors [whole, op) of a matrix of type f
// reach: the matrix, a row, an element, or a swizzle of any of these
// ("m[i]._11_12[1]", "m[0][1].x"); empty when they are none of those.
std::string IntMatrices::Reached(const std::string& f, size_t whole, size_t op) const {
    const Shape shape = ShapeOf(f);
    bool matrix = true;  // else a vector (or scalar) of count
    int count = shape.Components();
    for (size_t k = whole; k < op;) {
        if (code_.Punct(k) == '[' && (matrix || count > 1)) {
            count = matrix ? shape.cols : 1;
            matrix = false;
            k = code_.Closing(k) + 1;
        } else if (code_.Punct(k) == '.' && code_.IsIdent(k + 1)) {
            const std::string_view w = code_.Text(k + 1);
            const bool letters = w.find_first_not_of(count > 2 || matrix ? "xyzwrgba" : "xyrg") ==
                                 std::string_view::npos;
            const int n = matrix ? static_cast<int>(std::count(w.begin(), w.end(), '_'))
                                 : static_cast<int>(w.size());
            if (n < 1 || n > 4 || (!matrix && !letters) || (matrix && w[0] != '_')) return {};
            matrix = false;
            count = n;
            k += 2;
        } else {
            return {};
        }
    }
    if (matrix) return f;
    return count == 1 ? "float" : "float" + std::to_string(count);
}

// "m[i++] op= e" -> "fx_compound_OP_TYPE_K_(m[i++], e)": the left side
// is taken once, as an inout argument, before e; the helper converts
// what it stores. One whose accessors cannot be told is left as it is.
void IntMatrices::Once(size_t start, size_t whole, size_t op, size_t end, char kind,
                       const std::string& f, bool read) {
    const std::string type = Reached(f, whole, op);
    const size_t owner = start < owner_.size() ? owner_[start] : 0;
    if (type.empty() || owner == 0 || end >= code_.size()) return;
    const char p = code_.Punct(op);
    const std::string_view names = p == '+' ? "add" : p == '-' ? "sub" : p == '*' ? "mul"
                                 : p == '/' ? "div" : "mod";
    std::string name = "fx_compound_";
    for (std::string_view part : {names, std::string_view("_"), std::string_view(type)}) name += part;
    name += '_';
    name += kind;
    if (read) name += 'r';
    name += '_';
    once_.push_back({start, op, end, name});
    if (!made_.insert(name).second) return;
    std::string& text = onceDefinitions_[owner - 1];
    text += Cat({type, " ", name, "(inout ", type, " t, ", type, " e) { "});
    if (read) Converted(kind, type, "t", &text);
    // A matrix row by row: its operators work element by element.
    const int rows = type == f ? ShapeOf(f).rows : 0;
    for (int r = 0; r < std::max(rows, 1); ++r) {
        std::string row;
        if (rows > 0) {
            row += '[';
            row += std::to_string(r);
            row += ']';
        }
        text += Cat({"t", row, " = t", row, " ", std::string_view(&p, 1), " e", row, "; "});
    }
    Converted(kind, type, "t", &text);
    text += "return t; }\n";
}

// The first token of the variable whose member (or member's member) is
// at i ("a[2].s.m": a); npos when it is not a variable's.
size_t IntMatrices::LeftSideStart(size_t i) const {
    size_t start = i;
    while (start >= 2 && code_.Punct(start - 1) == '.') {
        size_t p = start - 2;
        while (code_.Punct(p) == ']') {
            const size_t open = OpeningBracket(code_, p);
            if (open == npos || open == 0) return npos;
            p = open - 1;
        }
        if (!code_.IsIdent(p)) return npos;
        start = p;
    }
    return start;
}

// Tokens [first, last) read twice give the same value: no call, no
// assignment, no ++ or --.
bool IntMatrices::Plain(size_t first, size_t last) const {
    for (size_t k = first; k < last; ++k) {
        const char p = code_.Punct(k);
        if (p == '=' || (p == '(' && code_.IsIdent(k - 1))) return false;
        if ((p == '+' || p == '-') && code_.Punct(k + 1) == p && k + 1 < last) return false;
    }
    return true;
}

// element: the value goes into an element, a row or a swizzle, whose
// shape it already has (no cast).
void IntMatrices::Open(char kind, const std::string& f, size_t at, std::vector<SourceToken>* out,
                       bool element) const {
    auto punct = [&](const char* p) { out->push_back(Make(Tok::Punct, p, at)); };
    auto ident = [&](std::string_view w) { out->push_back(Make(Tok::Ident, w, at)); };
    if (kind == 'b') {
        for (const char* w : {"ceil", "saturate", "abs"}) {
            ident(w);
            punct("(");
        }
    } else {
        ident("trunc");
        punct("(");
    }
    if (element) return;
    punct("(");
    ident(f);
    punct(")");
    punct("(");
}

void IntMatrices::Close(char kind, size_t at, std::vector<SourceToken>* out, bool element) const {
    for (int n = (kind == 'b' ? 4 : 2) - (element ? 1 : 0); n > 0; --n)
        out->push_back(Make(Tok::Punct, ")", at));
}

void IntMatrices::Apply(const Wrap& w, TokenEdits* edits) const {
    if (w.last >= code_.size()) return;  // a statement never ended
    if (w.ints != 0) {
        const std::string type = w.ints == 1 ? "int" : "int" + std::to_string(w.ints);
        edits->Replace(code_.At(w.first), code_.At(w.first),
                       {Make(Tok::Ident, type, w.first), Make(Tok::Punct, "(", w.first)});
        edits->Replace(code_.At(w.last), code_.At(w.last), {Make(Tok::Punct, ")", w.last)});
        return;
    }
    std::vector<SourceToken> open;
    Open(w.kind, w.floatType, w.at, &open, w.element);
    std::vector<SourceToken> close;
    Close(w.kind, w.at, &close, w.element);
    for (const auto& [name, op, end, read] : compound_) {
        if (op != w.first || end != w.last) continue;
        // "m += e": "m = conv(m + (e))"
        open.insert(open.begin(), Make(Tok::Punct, "=", op));
        if (read) Open(w.kind, w.floatType, op, &open, w.element);
        for (size_t k = name; k < op; ++k) open.push_back(code_.Token(k));
        if (read) Close(w.kind, op, &open, w.element);
        open.push_back(Make(Tok::Punct, std::string(1, code_.Punct(op)), op));
        open.push_back(Make(Tok::Punct, "(", op));
        close.insert(close.begin(), Make(Tok::Punct, ")", op));
        edits->Replace(code_.At(op), code_.At(op) + 2, std::move(open));
        edits->Replace(code_.At(w.last), code_.At(w.last), std::move(close));
        return;
    }
    // A scalar is made a float before it is spread into the matrix:
    // glslang folds a constant int or bool spread into a float matrix
    // ("(float2x2)0") into bits that are no number.
    const size_t value = w.cast ? w.at + 2 : w.first;
    if (!w.element && ExpressionComponents(code_, outline_, value, w.last) == 1) {
        std::vector<SourceToken> made = {Make(Tok::Punct, "(", value),
                                         Make(Tok::Ident, "float", value),
                                         Make(Tok::Punct, ")", value),
                                         Make(Tok::Punct, "(", value)};
        if (w.cast) {
            edits->Replace(code_.At(value), code_.At(value), std::move(made));
            edits->Replace(code_.At(w.last), code_.At(w.last), {Make(Tok::Punct, ")", w.at)});
        } else {
            open.insert(open.end(), made.begin(), made.end());
            close.insert(close.begin(), Make(Tok::Punct, ")", w.at));
        }
    }
    edits->Replace(code_.At(w.first), code_.At(w.first), std::move(open));
    edits->Replace(code_.At(w.last), code_.At(w.last), std::move(close));
}

}  // namespace int_matrices

bool RewriteIntMatrices(TokenRewriteState& state) {
    using int_matrices::IntMatrices;
    using int_matrices::MatrixKind;
    const Code& code = state.code();
    bool any = false;
    // sign of a float matrix makes an int one too.
    for (std::string_view word : code.Words()) any = any || MatrixKind(word) || word == "sign";
    if (!any) return true;
    TokenEdits edits;
    IntMatrices matrices(*state.hlsl, code, state.outline());
    matrices.Find(&edits);
    // Direct3D 9 refuses a call that two overloads fit alike.
    for (size_t k : matrices.Ambiguous())
        state.messages.Error(code.Pos(k), Cat({"'", code.Text(k), "': ambiguous function call"}));
    for (size_t k : matrices.Unconverted()) {
        state.messages.Error(code.Pos(k),
                             Cat({"'", code.Text(k), "': the part of this int or bool matrix that the "
                                  "compound assignment writes cannot be told; assign it through a "
                                  "variable"}));
    }
    if (!matrices.Ambiguous().empty() || !matrices.Unconverted().empty()) return false;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
