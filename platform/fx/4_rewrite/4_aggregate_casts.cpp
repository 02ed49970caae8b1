// Stage 4: casts between structs, arrays, vectors and matrices (see
// 4_aggregate_casts.h).
#include "platform/fx/4_rewrite/4_aggregate_casts.h"

#include <algorithm>
#include <map>
#include <string>
#include <string_view>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/tokenizer.h"

namespace fx {
namespace {

// A struct inside a struct inside ...: deeper nesting is not cast here.
constexpr int kMaxCastDepth = 8;
// Components a cast function assigns at most (an array of 256 float4x4).
constexpr size_t kMaxComponents = 4096;

// A type as a declaration gives it: its name and array length (0: none).
struct Type {
    std::string name;
    int length = 0;
    bool known() const { return !name.empty(); }
};

// A literal array size, "4" or "( 4 )"; 0 when it is no such literal.
int LiteralSize(const Code& code, size_t open) {
    const size_t close = code.Closing(open);
    size_t a = open + 1, b = close;
    while (b > a + 1 && code.Punct(a) == '(' && code.Closing(a) == b - 1) ++a, --b;
    if (b != a + 1 || code.Token(a).kind != Tok::Number) return 0;
    const std::string_view t = code.Text(a);
    int n = 0;
    for (char c : t) {
        if (c < '0' || c > '9' || n > 100000) return 0;
        n = n * 10 + (c - '0');
    }
    return n;
}

class Casts {
public:
    Casts(TokenStream& s, const Code& code, const HlslOutline& outline,
          MessageSink& messages)
        : s_(s), code_(code), outline_(outline), messages_(messages) {}

    bool Run(TokenEdits* edits) {
        for (const FunctionOutline& f : outline_.functions) {
            if (f.body == npos) continue;
            size_t defined = edits->list.size();
            std::string made;
            for (size_t k = f.body + 1; k < f.end; ++k) {
                Spread(k, edits, &made);
                if (code_.Punct(k) != '(') continue;
                const size_t end = Cast(k, false, edits, &made);
                if (end == 0) return false;
                if (end != npos) k = end - 1;
            }
            if (!made.empty()) {
                size_t first = f.returnType;
                while (first > 0 && code_.IsIdent(first - 1) && Qualifier(code_.Text(first - 1)))
                    --first;
                // Before the edits of the body: an insertion lands first.
                edits->list.insert(edits->list.begin() + static_cast<std::ptrdiff_t>(defined),
                                   {code_.At(first), code_.At(first), Tokens(made, first)});
            }
        }
        // A global's initializer, "float g[4] = (float[4])m;", calls no
        // function: a whole one becomes the list of the components, a cast
        // to a vector or matrix within one ("1 + (float4)s") a constructor
        // of them. The tokens between the functions' bodies (in order, as
        // the outline has them).
        size_t k = 1;
        for (size_t f = 0; f <= outline_.functions.size(); ++f) {
            const bool last = f == outline_.functions.size();
            if (!last && outline_.functions[f].body == npos) continue;
            const size_t until = last ? code_.size() : outline_.functions[f].body;
            for (; k + 2 < code_.size() && k < until; ++k) {
                if (code_.Punct(k) != '(') continue;
                const size_t end = Cast(k, true, edits, nullptr);
                if (end == 0) return false;
                if (end != npos) k = end - 1;
            }
            if (!last) k = std::max(k, outline_.functions[f].end + 1);
        }
        return true;
    }

private:
    static bool Qualifier(std::string_view w) {
        return w == "static" || w == "inline" || w == "precise" || w == "const" ||
               w == "row_major" || w == "column_major";
    }

    bool IsStruct(std::string_view name) const { return outline_.FindStruct(code_, name) != nullptr; }
    bool Aggregate(const Type& t) const { return t.length > 0 || IsStruct(t.name); }

    // The components of a value of type t at path, in order: the path of
    // each scalar. False when t is not a type this can take apart.
    bool Flatten(const Type& t, const std::string& path, std::vector<std::string>* out,
                 int depth = 0) const {
        if (depth > kMaxCastDepth || out->size() > kMaxComponents) return false;
        if (t.length > 0) {
            for (int i = 0; i < t.length; ++i) {
                if (!Flatten({t.name, 0}, Cat({path, "[", std::to_string(i), "]"}), out, depth + 1))
                    return false;
            }
            return true;
        }
        if (const StructOutline* st = outline_.FindStruct(code_, t.name)) {
            for (const Declarator& m : st->members) {
                if (m.type == npos || m.name == npos) return false;
                Type mt{std::string(code_.Text(m.type)), 0};
                if (m.arrayOpen != npos && (mt.length = LiteralSize(code_, m.arrayOpen)) == 0)
                    return false;
                if (!Flatten(mt, Cat({path, ".", code_.Text(m.name)}), out, depth + 1))
                    return false;
            }
            return true;
        }
        const Shape sh = ShapeOf(t.name);
        if (sh.rows == 0) return false;
        for (int r = 0; r < sh.rows; ++r) {
            for (int c = 0; c < sh.cols; ++c) {
                std::string p = path;
                if (sh.matrix) p += Cat({"[", std::to_string(r), "]"});
                if (sh.cols > 1) p += Cat({"[", std::to_string(c), "]"});
                out->push_back(std::move(p));
            }
        }
        return true;
    }

    // The type of the operand in code tokens [first, last), where the
    // declarations tell it: a name, its members and elements, a
    // constructor or a call of the effect's own function.
    Type TypeOf(size_t first, size_t last) const {
        while (code_.Punct(first) == '(' && code_.Closing(first) == last - 1) ++first, --last;
        if (const size_t after = CastEnd(first); after != npos && OperandEnd(after) == last) {
            // "(S)v", "(float[4])p": the type the cast makes.
            Type t{std::string(code_.Text(first + 1)), 0};
            if (code_.Punct(first + 2) == '[' && (t.length = LiteralSize(code_, first + 2)) == 0)
                return {};
            return t;
        }
        if (!code_.IsIdent(first)) return {};
        Type t;
        size_t k = first + 1;
        if (code_.Punct(k) == '(') {
            const std::string_view name = code_.Text(first);
            if (ShapeOf(name).rows > 0 || IsStruct(name)) {
                t.name = std::string(name);
            } else {
                const std::vector<size_t>& fs = outline_.Functions(name);
                if (fs.empty()) return {};
                const FunctionOutline& f = outline_.functions[fs.front()];
                t.name = std::string(code_.Text(f.name - 1));
            }
            k = code_.Closing(k) + 1;
        } else {
            const NameType* found = outline_.Declared(code_, first);
            if (found == nullptr || found->type == npos) return {};
            t.name = std::string(code_.Text(found->type));
            const size_t declared = found->name;
            if (found->array) {
                if (declared == npos || code_.Punct(declared + 1) != '[') return {};
                t.length = LiteralSize(code_, declared + 1);
                if (t.length == 0) return {};
            }
        }
        while (k < last) {
            if (code_.Punct(k) == '[' && t.length > 0) {
                t.length = 0;
                k = code_.Closing(k) + 1;
            } else if (code_.Punct(k) == '.' && code_.IsIdent(k + 1) && t.length == 0) {
                const StructOutline* st = outline_.FindStruct(code_, t.name);
                if (st == nullptr) return {};
                Type next;
                for (const Declarator& m : st->members) {
                    if (m.name == npos || code_.Text(m.name) != code_.Text(k + 1)) continue;
                    next.name = std::string(code_.Text(m.type));
                    if (m.arrayOpen != npos && (next.length = LiteralSize(code_, m.arrayOpen)) == 0)
                        return {};
                }
                if (!next.known()) return {};
                t = next;
                k += 2;
            } else {
                return {};
            }
        }
        return k == last ? t : Type{};
    }

    // The token after a cast "(T)" or "(T[N])" to a numeric type, a struct or
    // an array whose '(' is at k; npos when k starts none.
    size_t CastEnd(size_t k) const {
        if (code_.Punct(k) != '(' || !code_.IsIdent(k + 1)) return npos;
        const std::string_view name = code_.Text(k + 1);
        if (ShapeOf(outline_.Underlying(name)).rows == 0 && !IsStruct(name)) return npos;
        const size_t close = code_.Closing(k);
        if (close == k + 2 || (close == k + 5 && code_.Punct(k + 2) == '[')) {
            // An operand follows: a name, a number, a bracket or a sign.
            if (close + 1 >= code_.size()) return npos;
            if (code_.Token(close + 1).kind != Tok::Punct || code_.Punct(close + 1) == '(' ||
                OneOf(code_.Text(close + 1), {"-", "+", "!"}))
                return close + 1;
        }
        return npos;
    }

    // The operand after a cast's ')' at k: a primary and its postfix chain
    // (a cast and its operand too: "(float4)(S)v").
    size_t OperandEnd(size_t k) const {
        if (const size_t after = CastEnd(k); after != npos) return OperandEnd(after);
        if (code_.Punct(k) == '(') {
            k = code_.Closing(k) + 1;
        } else if (code_.IsIdent(k)) {
            ++k;
            if (code_.Punct(k) == '(') k = code_.Closing(k) + 1;
        } else if (code_.Token(k).kind == Tok::Number) {
            return k + 1;
        } else {
            return npos;
        }
        while (k < code_.size()) {
            if (code_.Punct(k) == '[') k = code_.Closing(k) + 1;
            else if (code_.Punct(k) == '.' && code_.IsIdent(k + 1)) k += 2;
            else break;
        }
        return k;
    }

    // A struct or array among a constructor's arguments, "float4(s)", or in
    // an initializer list, "{ s, 1 }", counts as its components in order:
    // it becomes a call that gives them as a vector (of four at most).
    void Spread(size_t open, TokenEdits* edits, std::string* made) {
        const char p = code_.Punct(open);
        const bool constructor = p == '(' && open > 0 && code_.IsIdent(open - 1) &&
                                 ShapeOf(code_.Text(open - 1)).rows > 0;
        const char before = open > 0 ? code_.Punct(open - 1) : 0;
        const bool list = p == '{' && (before == '=' || before == ',' || before == '{');
        if (!constructor && !list) return;
        const size_t close = code_.Closing(open);
        if (close >= code_.size()) return;
        for (auto [first, last] : ListItems(code_, open, close)) {
            // A cast to a struct or array gives its components itself (Cast).
            size_t a = first;
            while (code_.Punct(a) == '(' && code_.Closing(a) == last - (a - first) - 1) ++a;
            if (CastEnd(a) != npos) continue;
            const Type from = TypeOf(first, last);
            if (!from.known() || !Aggregate(from)) continue;
            std::vector<std::string> source;
            if (!Flatten(from, "x", &source) || source.empty() || source.size() > 4) continue;
            const Type to{source.size() == 1 ? "float" : Cat({"float", std::to_string(source.size())}), 0};
            std::vector<std::string> target;
            Flatten(to, "r", &target);
            const std::string name = Function(to, from, target, source, made);
            edits->Replace(code_.At(first), code_.At(first), Tokens(Cat({name, "("}), first));
            edits->Replace(code_.At(last), code_.At(last), Tokens(")", last - 1));
        }
    }

    // A cast at the '(' at open: its rewrite; the token after it, npos
    // when it is none to rewrite, 0 after an error. global: in a global's
    // initializer, where only a whole initializer is a cast to rewrite.
    size_t Cast(size_t open, bool global, TokenEdits* edits, std::string* made) {
        const size_t close = code_.Closing(open);
        if (close >= code_.size() || !code_.IsIdent(open + 1)) return npos;
        Type to{std::string(code_.Text(open + 1)), 0};
        if (ShapeOf(to.name).rows == 0 && !IsStruct(to.name)) return npos;
        if (close == open + 5 && code_.Punct(open + 2) == '[') {
            to.length = LiteralSize(code_, open + 2);
            if (to.length == 0) return npos;
        } else if (close != open + 2) {
            return npos;
        }
        // Not a call "f(float4)" nor a constructor's argument list.
        if (open > 0 && code_.IsIdent(open - 1) && code_.Text(open - 1) != "return" &&
            code_.Text(open - 1) != "else") {
            return npos;
        }
        const size_t end = OperandEnd(close + 1);
        if (end == npos || end > code_.size()) return npos;
        // The cast with the brackets around it: "((S)v)".
        size_t first = open, last = end;
        while (first > 0 && code_.Punct(first - 1) == '(' && code_.Closing(first - 1) == last &&
               !(first >= 2 && code_.IsIdent(first - 2) &&
                 !OneOf(code_.Text(first - 2), {"return", "else"})))  // a call's brackets
            --first, ++last;
        const bool selected = first < open && (code_.Punct(last) == '[' || code_.Punct(last) == '.');
        // "(float4)(S)v + 1": the operator takes the outer cast's value.
        const size_t before =
            first > 0 && code_.Punct(first - 1) == ')' ? OpeningBracket(code_, first - 1) : npos;
        const bool castAgain = before != npos && CastEnd(before) == first;
        if (Aggregate(to) && !selected && !castAgain && Operated(first, last)) {
            messages_.Add(ErrorAt(code_.Pos(open),
                                  Cat({"scalar, vector, or matrix expected: the cast to '", Spelled(to),
                                       "' makes ", to.length > 0 ? "an array" : "a struct",
                                       ", which no operator takes"})));
            return 0;
        }
        // A whole initializer, else a cast that a constructor can stand for.
        const bool whole = global && code_.Punct(first - 1) == '=' &&
                           (code_.Punct(last) == ';' || code_.Punct(last) == ',');
        const GlobalPart part = whole || !Aggregate(to) ? GlobalPart::kNone : PartOf(first, last);
        if (global && !whole && Aggregate(to) && part == GlobalPart::kNone) return npos;
        Type from = TypeOf(close + 1, end);
        if (!Aggregate(to) && !Aggregate(from)) return npos;
        if (!from.known()) {
            // A numeric expression: a vector of as many components.
            int n = ExpressionComponents(code_, outline_, close + 1, end);
            if (n == 0) n = SelectionComponents(close + 1, end);
            if (n < 1 || n > 4) return npos;
            from.name = n == 1 ? "float" : Cat({"float", std::to_string(n)});
        }
        // A global's components are read from the operand itself.
        const std::string x =
            global ? Cat({"(", s_.Spelling(code_.At(close + 1), code_.At(end)), ")"}) : "x";
        // The operand is spelled once a component: not past a megabyte.
        if (global && x.size() * static_cast<size_t>(std::max(to.length, 1)) * 16 > (1u << 20))
            return npos;
        std::vector<std::string> target, source;
        if (!Flatten(to, "r", &target) || !Flatten(from, x, &source)) return npos;
        if (!global && part == GlobalPart::kItems && target.size() <= 4) {
            // In a list or a constructor only the components count: a
            // function returns them as a vector, as for "{ s, 1 }".
            to = {target.size() == 1 ? "float" : Cat({"float", std::to_string(target.size())}), 0};
            target.clear();
            Flatten(to, "r", &target);
        }
        // "(S)0": glslang fills every component of a struct or vector with a
        // scalar itself, not of an array.
        if (source.size() == 1 && to.length == 0 && !Aggregate(from)) return npos;
        if (source.size() < target.size() && source.size() > 1) {
            messages_.Add(ErrorAt(
                code_.Pos(open), Cat({"cannot cast '", Spelled(from), "' of ", std::to_string(source.size()),
                                      " components to '", Spelled(to), "' of ",
                                      std::to_string(target.size())})));
            return 0;
        }
        if (global) return InGlobal(to, part, whole, target, source, {open, end, first, last}, edits);
        const std::string name = Function(to, from, target, source, made);
        edits->Replace(code_.At(open), code_.At(close) + 1, Tokens(Cat({name, "("}), open));
        edits->Replace(code_.At(end), code_.At(end), Tokens(")", end));
        return close + 1;
    }

    // The components of a bracketed "(c ? a : b)" in code tokens [first,
    // last): its values' (a scalar spreads over the other, two vectors
    // truncate to the shorter); 0 when they cannot be told.
    int SelectionComponents(size_t first, size_t last) const {
        if (code_.Punct(first) != '(' || code_.Closing(first) != last - 1) return 0;
        size_t question = npos, colon = npos;
        for (size_t k = first + 1; k + 1 < last; ++k) {
            const char p = code_.Punct(k);
            if (p == '(' || p == '[') k = code_.Closing(k);
            else if (p == '?' && question == npos) question = k;
            else if (p == '?' || p == ',' || p == '=') return 0;  // nested, or no value
            else if (p == ':' && question != npos && colon == npos) colon = k;
        }
        if (colon == npos) return 0;
        const int a = ExpressionComponents(code_, outline_, question + 1, colon);
        const int b = ExpressionComponents(code_, outline_, colon + 1, last - 1);
        if (a == 0 || b == 0) return 0;
        return a == 1 ? b : b == 1 ? a : std::min(a, b);
    }

    // Whether an operator takes the value of code tokens [first, last): an
    // arithmetic, comparison or logic operator before or after it ("-" as a
    // sign too). An assignment, a comma, a bracket or "?" ":" is none.
    bool Operated(size_t first, size_t last) const {
        auto op = [&](size_t k, bool before) {
            if (k >= code_.size() || code_.Token(k).kind != Tok::Punct) return false;
            const std::string_view t = code_.Text(k);
            if (OneOf(t, {"+", "-", "*", "/", "%", "<", ">", "<=", ">=", "==", "!=", "&&", "||",
                          "&", "|", "^"}))
                return true;
            return before && OneOf(t, {"!", "~"});
        };
        // "*=" is two tokens, '*' '=': a '=' after the operator is an assignment.
        const bool compound = first >= 2 && code_.Punct(first - 1) == '=' && op(first - 2, true);
        return (first > 0 && op(first - 1, true) && code_.Punct(first) != '=') ||
               (op(last, false) && code_.Punct(last + 1) != '=') || compound;
    }

    // Where a cast to a struct or array stands within a global's
    // initializer: an item of a list or a constructor, "{ (float[2])v, 1 }",
    // or bracketed and then indexed or a member taken, "((S)v).b".
    enum class GlobalPart { kNone, kItems, kSelected };
    GlobalPart PartOf(size_t first, size_t last) const {
        if (first == 0) return GlobalPart::kNone;
        if (code_.Punct(first) == '(' && (code_.Punct(last) == '[' || code_.Punct(last) == '.'))
            return GlobalPart::kSelected;
        const char before = code_.Punct(first - 1), after = code_.Punct(last);
        if ((before != '(' && before != '{' && before != ',') ||
            (after != ')' && after != '}' && after != ','))
            return GlobalPart::kNone;
        const size_t j = ListOpen(first);
        if (j == npos) return GlobalPart::kNone;
        if (code_.Punct(j) == '{') return GlobalPart::kItems;
        const bool constructor = code_.Punct(j) == '(' && j > 0 && code_.IsIdent(j - 1) &&
                                 ShapeOf(outline_.Underlying(code_.Text(j - 1))).rows > 0;
        return constructor ? GlobalPart::kItems : GlobalPart::kNone;
    }

    // The bracket the item at first is in; npos when a ';' comes first.
    size_t ListOpen(size_t first) const {
        int depth = 0;
        for (size_t j = first; j-- > 0;) {
            const char p = code_.Punct(j);
            if (p == ';') return npos;
            if (p == ')' || p == ']' || p == '}') ++depth;
            if (p != '(' && p != '[' && p != '{') continue;
            if (depth-- > 0) continue;
            return j;
        }
        return npos;
    }

    // "((S)v).b", "((float[4])m)[1]": the components the members and
    // constant indexes after the brackets select, as a value of their type.
    // npos (left alone) when they select no scalar, vector or matrix.
    size_t Selected(const Type& to, const std::vector<std::string>& target,
                    const std::vector<std::string>& source, size_t open, size_t first, size_t last,
                    TokenEdits* edits) const {
        Type t = to;
        std::string prefix = "r";
        size_t k = last;
        while (k < code_.size()) {
            if (code_.Punct(k) == '[' && t.length > 0) {
                const int n = LiteralSize(code_, k);
                if (n == 0 && !(code_.Closing(k) == k + 2 && code_.Text(k + 1) == "0")) return npos;
                if (n >= t.length) return npos;
                prefix += Cat({"[", std::to_string(n), "]"});
                t.length = 0;
                k = code_.Closing(k) + 1;
            } else if (code_.Punct(k) == '.' && code_.IsIdent(k + 1) && t.length == 0) {
                const StructOutline* st = outline_.FindStruct(code_, t.name);
                if (st == nullptr) break;  // a swizzle of the value selected
                Type next;
                for (const Declarator& m : st->members) {
                    if (m.name == npos || code_.Text(m.name) != code_.Text(k + 1)) continue;
                    next.name = std::string(code_.Text(m.type));
                    if (m.arrayOpen != npos && (next.length = LiteralSize(code_, m.arrayOpen)) == 0)
                        return npos;
                }
                if (!next.known()) return npos;
                prefix += Cat({".", code_.Text(k + 1)});
                t = next;
                k += 2;
            } else {
                break;
            }
        }
        if (Aggregate(t) || ShapeOf(t.name).rows == 0) return npos;
        std::string made = Cat({t.name, "("});
        size_t count = 0;
        for (size_t i = 0; i < target.size(); ++i) {
            const std::string& path = target[i];
            if (path.compare(0, prefix.size(), prefix) != 0 ||
                (path.size() > prefix.size() && path[prefix.size()] != '['))
                continue;
            made += Cat({count++ > 0 ? ", " : "", source[source.size() == 1 ? 0 : i]});
        }
        made += ")";
        edits->Replace(code_.At(first), code_.At(k), Tokens(made, open));
        return k;
    }

    // The cast's tokens: from '(' to its operand's end, and with the
    // brackets around it.
    struct Span {
        size_t open, end, first, last;
    };

    // The target's components from the source's, joined by commas.
    static std::string Joined(const std::vector<std::string>& target,
                              const std::vector<std::string>& source) {
        std::string out;
        for (size_t i = 0; i < target.size(); ++i)
            out += Cat({i > 0 ? ", " : "", source[source.size() == 1 ? 0 : i]});
        return out;
    }

    // A cast in a global's initializer, which calls no function: the
    // components themselves; the token after what it replaced.
    size_t InGlobal(const Type& to, GlobalPart part, bool whole, const std::vector<std::string>& target,
                    const std::vector<std::string>& source, Span at, TokenEdits* edits) const {
        if (part == GlobalPart::kSelected)
            return Selected(to, target, source, at.open, at.first, at.last, edits);
        std::string made;
        if (part == GlobalPart::kItems) {
            // An item of a list or a constructor: its components in turn; in
            // a list, in braces of their own (an array of arrays takes them so).
            const bool list = code_.Punct(ListOpen(at.first)) == '{';
            made = list ? Cat({"{ ", Joined(target, source), " }"}) : Joined(target, source);
        } else if (!whole) {
            made = Cat({to.name, "(", Joined(target, source), ")"});  // to a vector or matrix
            edits->Replace(code_.At(at.open), code_.At(at.end), Tokens(made, at.open));
            return at.end;
        } else {
            made = Cat({"{ ", Joined(target, source), " }"});
        }
        edits->Replace(code_.At(at.first), code_.At(at.last), Tokens(made, at.open));
        return at.last;
    }

    static std::string Spelled(const Type& t) {
        return t.length > 0 ? Cat({t.name, "[", std::to_string(t.length), "]"}) : t.name;
    }

    // The name of the function that casts from to to, made the first time.
    std::string Function(const Type& to, const Type& from, const std::vector<std::string>& target,
                         const std::vector<std::string>& source, std::string* made) {
        const std::string key = Cat({Spelled(from), ">", Spelled(to)});
        auto found = functions_.find(key);
        // Made for an earlier cast: defined before this function too.
        if (found != functions_.end()) return found->second;
        const std::string index = std::to_string(functions_.size());
        const std::string name = Cat({"fx_cast", index, "_"});
        functions_[key] = name;
        std::string text, type = to.name;
        if (to.length > 0) {
            // An array is returned as a type of its own.
            type = Cat({"fx_array", index, "_"});
            text = Cat({"typedef ", to.name, " ", type, "[", std::to_string(to.length), "]; "});
        }
        const std::string param =
            Cat({from.name, " x", from.length > 0 ? Cat({"[", std::to_string(from.length), "]"}) : ""});
        text += Cat({type, " ", name, "(", param, ") { ", type, " r;"});
        for (size_t i = 0; i < target.size(); ++i)
            text += Cat({" ", target[i], " = ", source[source.size() == 1 ? 0 : i], ";"});
        text += " return r; }\n";
        *made += text;
        return name;
    }

    // The text as tokens placed at code token at; glued where it has no space.
    std::vector<SourceToken> Tokens(const std::string& text, size_t at) const {
        return s_.MakeTokens(text, code_.Token(at));
    }

    TokenStream& s_;
    const Code& code_;
    const HlslOutline& outline_;
    MessageSink& messages_;
    std::map<std::string, std::string> functions_;  // "from>to" -> its name
};

}  // namespace

bool RewriteAggregateCasts(TokenRewriteState& state) {
    const HlslOutline& outline = state.outline();
    if (outline.structs.empty()) {
        // Without a struct, only a cast to or from an array: "[" in a cast.
        const Code& code = state.code();
        bool any = false;
        for (size_t i = 0; i + 3 < code.size() && !any; ++i)
            any = code.Punct(i) == '(' && code.IsIdent(i + 1) && code.Punct(i + 2) == '[';
        bool arrays = false;
        for (const auto& [name, declared] : outline.names) arrays |= declared.array;
        arrays = arrays || outline.AnyDeclared([](const NameType& d) { return d.array; });
        if (!any && !arrays) return true;
    }
    Casts casts(*state.hlsl, state.code(), outline, state.messages);
    TokenEdits edits;
    if (!casts.Run(&edits)) return false;
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
