// Stage 4: matrices of ints and bools held as float matrices (see
// 4_int_matrices.h). A value converted into one is wrapped:
//   int2x2:  trunc((float2x2)(e))
//   bool2x2: ceil(saturate(abs((float2x2)(e))))   (0 stays 0, all else is 1)
// which takes a scalar, a vector or a matrix alike (the cast spreads a
// scalar; the intrinsics run element by element).
#include "platform/fx/4_rewrite/4_int_matrices.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"

namespace fx {
namespace {

constexpr size_t npos = Declarator::npos;

// 'i' for a matrix of ints, 'b' of bools (more than one row and column);
// 0 for any other type name.
char MatrixKind(std::string_view type) {
    const Shape shape = ShapeOf(type);
    if (!shape.matrix || shape.rows < 2 || shape.cols < 2) return 0;
    if (type.substr(0, 4) == "bool") return 'b';
    for (std::string_view b : {"int", "uint", "dword", "min16int", "min12int", "min16uint"})
        if (type.substr(0, b.size()) == b) return 'i';
    return 0;
}

struct Wrap {
    size_t first, last;  // the code tokens [first, last) converted
    char kind;
    std::string floatType;
    size_t at;  // the token the wrap's tokens are placed at
    bool element = false;  // into an element, a row or a swizzle: no cast
};

class IntMatrices {
public:
    IntMatrices(const TokenStream& s, const Code& code, const HlslOutline& outline)
        : s_(s), code_(code), outline_(outline) {
        // "typedef int3x3 I3;" and the members of structs of such types.
        for (size_t i = 0; i + 3 < code.size(); ++i) {
            if (code.Text(i) == "typedef" && code.IsIdent(i) && MatrixKind(code.Text(i + 1)) &&
                code.IsIdent(i + 2) && code.Punct(i + 3) == ';')
                aliases_[code.Text(i + 2)] = code.Text(i + 1);
        }
        for (const StructOutline& st : outline.structs) {
            for (const Declarator& m : st.members) {
                if (m.type != npos && m.name != npos && m.arrayOpen == npos &&
                    Kind(code.Text(m.type)) != 0)
                    members_[code.Text(m.name)] = code.Text(m.type);
            }
        }
    }

    void Find(TokenEdits* edits) {
        std::vector<int> inFunction(code_.size() + 1, 0);  // 1 parameters, 2 body
        for (const FunctionOutline& f : outline_.functions) {
            for (size_t k = f.open; k <= f.close && k < code_.size(); ++k) inFunction[k] = 1;
            if (f.body == npos) continue;
            for (size_t k = f.body; k <= f.end && k < code_.size(); ++k) inFunction[k] = 2;
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
        // Of wraps that start at one token, the outer one's tokens go first:
        // it is added last (TokenEdits puts the later insertion first).
        std::stable_sort(wraps_.begin(), wraps_.end(), [](const Wrap& a, const Wrap& b) {
            return a.first < b.first || (a.first == b.first && a.last < b.last);
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

private:
    SourceToken Make(Tok kind, std::string_view text, size_t at) const {
        return s_.Make(kind, text, code_.Token(std::min(at, code_.size() - 1)));
    }
    // The kind of a type name or of a typedef of one.
    char Kind(std::string_view type) const {
        auto alias = aliases_.find(type);
        return MatrixKind(alias != aliases_.end() ? alias->second : type);
    }
    std::string FloatType(std::string_view type) const {
        auto alias = aliases_.find(type);
        if (alias != aliases_.end()) type = alias->second;
        return "float" + std::string(type.substr(type.size() - 3));
    }

    // A type name: respelled as the float matrix, and what it declares or
    // makes converted.
    void Type(size_t i, char kind, int where, TokenEdits* edits, bool respell) {
        const std::string f = FloatType(code_.Text(i));
        if (respell) edits->Replace(code_.At(i), code_.At(i) + 1, {Make(Tok::Ident, f, i)});
        if (code_.Punct(i + 1) == '(') {  // a constructor
            const size_t close = code_.Closing(i + 1);
            if (close < code_.size()) wraps_.push_back({i, close + 1, kind, f, i});
            return;
        }
        if (i > 0 && code_.Punct(i - 1) == '(' && code_.Punct(i + 1) == ')') {  // a cast
            const size_t end = OperandEnd(i + 2);
            if (end != npos) wraps_.push_back({i - 1, end, kind, f, i});
            return;
        }
        // Declarations: "T a = e, b = f;" (not of parameters, whose values
        // are converted where the body starts).
        if (where == 1) return;
        for (size_t k = i + 1; code_.IsIdent(k) && k + 1 < code_.size();) {
            const size_t name = k;
            if (code_.Punct(k + 1) == '(') return;  // a function returning T
            ++k;
            if (code_.Punct(k) == '[') return;  // arrays keep their values
            if (code_.Punct(k) == ':') {
                while (k < code_.size() && code_.Punct(k) != '=' && code_.Punct(k) != ';' &&
                       code_.Punct(k) != ',')
                    k = code_.Punct(k) == '(' ? code_.Closing(k) + 1 : k + 1;
            }
            if (code_.Punct(k) == '=' && code_.Punct(k + 1) != '{') {
                const size_t end = ExpressionEnd(k + 1);
                if (!Uniform(name)) wraps_.push_back({k + 1, end, kind, f, k});
                k = end;
            }
            if (code_.Punct(k) != ',') return;
            ++k;
        }
    }

    bool Uniform(size_t name) const {
        auto it = outline_.names.find(code_.Text(name));
        return it != outline_.names.end() && it->second.uniform && it->second.name == name;
    }

    // A name: an assignment to a variable of such a type converts what it
    // assigns; a uniform's registers are converted where they are read.
    void Name(size_t i, int where) {
        if (where == 2 && i > 0 && code_.Punct(i - 1) == '.') {
            auto member = members_.find(code_.Text(i));
            if (member != members_.end()) Written(i, Kind(member->second), FloatType(member->second));
            return;
        }
        auto it = outline_.names.find(code_.Text(i));
        if (it == outline_.names.end() || it->second.type == npos || it->second.array ||
            it->second.name == i || where != 2)
            return;
        if (i > 0 && code_.IsIdent(i - 1) &&
            (ShapeOf(code_.Text(i - 1)).rows > 0 ||
             outline_.FindStruct(code_, code_.Text(i - 1)) != nullptr))
            return;  // declared again
        const std::string_view type = code_.Text(it->second.type);
        const char kind = Kind(type);
        if (kind == 0 || code_.Punct(i + 1) == '(') return;
        const std::string f = FloatType(type);
        if (Written(i, kind, f)) return;
        const bool glued = i + 2 < code_.size() && (code_.Token(i + 2).flags & kGlued) != 0;
        const char op = code_.Punct(i + 1);
        const bool written = (op == '+' || op == '-') && glued && code_.Punct(i + 2) == op;
        const bool before = i >= 2 && (code_.Punct(i - 1) == '+' || code_.Punct(i - 1) == '-') &&
                            code_.Punct(i - 2) == code_.Punct(i - 1);
        if (it->second.uniform && !written && !before && !WholeArgument(i))
            wraps_.push_back({i, i + 1, kind, f, i});
    }

    // The name at i is a whole argument of a call of the effect's own
    // function, which may write it (an out or inout parameter) and converts
    // what it takes in itself.
    bool WholeArgument(size_t i) const {
        const char before = code_.Punct(i - 1), after = code_.Punct(i + 1);
        if (i == 0 || (before != '(' && before != ',') || (after != ')' && after != ','))
            return false;
        int depth = 0;
        for (size_t k = i - 1, steps = 0; k > 0 && steps < 512; --k, ++steps) {
            const char p = code_.Punct(k);
            if (p == ')' || p == ']') ++depth;
            if ((p == '(' || p == '[') && depth-- == 0)
                return p == '(' && code_.IsIdent(k - 1) &&
                       !outline_.Functions(code_.Text(k - 1)).empty();
            if (p == ';' || p == '{' || p == '}') return false;
        }
        return false;
    }

    // Past the elements and members read after a name or a call at k
    // ("[i].m[j]").
    size_t PastAccessors(size_t k) const {
        while (k < code_.size()) {
            if (code_.Punct(k) == '[') {
                k = code_.Closing(k) + 1;
            } else if (code_.Punct(k) == '.' && code_.IsIdent(k + 1)) {
                k += 2;
            } else {
                break;
            }
        }
        return k;
    }

    // An assignment to the name at i (of such a type), its elements or
    // members: what it assigns converted. False when it is none.
    bool Written(size_t i, char kind, const std::string& f) {
        size_t k = i + 1;
        k = PastAccessors(k);
        const bool glued = k + 1 < code_.size() && (code_.Token(k + 1).flags & kGlued) != 0;
        const char next = code_.Punct(k + 1);
        const bool element = k != i + 1;
        if (code_.Punct(k) == '=' && !(glued && next == '=')) {
            const size_t end = ExpressionEnd(k + 1);
            wraps_.push_back({k + 1, end, kind, f, k, element});
            return true;
        }
        const char op = code_.Punct(k);
        if (op != 0 && std::string_view("+-*/%").find(op) != std::string_view::npos && glued &&
            next == '=' && (i == 0 || code_.Punct(i - 1) != '.')) {
            // "m[1] op= e" -> "m[1] = conv(m[1] op (e))"
            const size_t end = ExpressionEnd(k + 2);
            compound_.push_back({i, k, end});
            wraps_.push_back({k, end, kind, f, k, element});
            return true;
        }
        return false;
    }

    // Parameters taken in are converted where the body starts; returns of a
    // function returning such a matrix are converted.
    void Function(const FunctionOutline& f, TokenEdits* edits) {
        if (f.body == npos) return;
        for (const Declarator& d : f.params) {
            if (d.type == npos || d.name == npos || d.out || d.arrayOpen != npos) continue;
            const char kind = Kind(code_.Text(d.type));
            if (kind == 0) continue;
            bool fixed = false;
            for (size_t k = d.first; k < d.type; ++k)
                fixed = fixed || code_.Text(k) == "const" || code_.Text(k) == "uniform";
            if (fixed) continue;
            std::vector<SourceToken> tokens = {Make(Tok::Ident, code_.Text(d.name), d.name),
                                               Make(Tok::Punct, "=", d.name)};
            const std::string ft = FloatType(code_.Text(d.type));
            Open(kind, ft, d.name, &tokens);
            tokens.push_back(Make(Tok::Ident, code_.Text(d.name), d.name));
            Close(kind, d.name, &tokens);
            tokens.push_back(Make(Tok::Punct, ";", d.name));
            edits->Replace(code_.At(f.body) + 1, code_.At(f.body) + 1, std::move(tokens));
        }
        if (f.name == 0) return;
        const char kind = Kind(code_.Text(f.name - 1));
        if (kind == 0) return;
        const std::string ft = FloatType(code_.Text(f.name - 1));
        for (size_t k = f.body; k < f.end; ++k) {
            if (code_.IsIdent(k) && code_.Text(k) == "return" && code_.Punct(k + 1) != ';')
                wraps_.push_back({k + 1, ExpressionEnd(k + 1), kind, ft, k});
        }
    }

    // element: the value goes into an element, a row or a swizzle, whose
    // shape it already has (no cast).
    void Open(char kind, const std::string& f, size_t at, std::vector<SourceToken>* out,
              bool element = false) const {
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
    void Close(char kind, size_t at, std::vector<SourceToken>* out, bool element = false) const {
        for (int n = (kind == 'b' ? 4 : 2) - (element ? 1 : 0); n > 0; --n)
            out->push_back(Make(Tok::Punct, ")", at));
    }

    void Apply(const Wrap& w, TokenEdits* edits) const {
        if (w.last >= code_.size()) return;  // a statement never ended
        std::vector<SourceToken> open;
        Open(w.kind, w.floatType, w.at, &open, w.element);
        std::vector<SourceToken> close;
        Close(w.kind, w.at, &close, w.element);
        for (const auto& [name, op, end] : compound_) {
            if (op != w.first || end != w.last) continue;
            // "m += e": "m = conv(m + (e))"
            open.insert(open.begin(), Make(Tok::Punct, "=", op));
            for (size_t k = name; k < op; ++k) open.push_back(code_.Token(k));
            open.push_back(Make(Tok::Punct, std::string(1, code_.Punct(op)), op));
            open.push_back(Make(Tok::Punct, "(", op));
            close.insert(close.begin(), Make(Tok::Punct, ")", op));
            edits->Replace(code_.At(op), code_.At(op) + 2, std::move(open));
            edits->Replace(code_.At(w.last), code_.At(w.last), std::move(close));
            return;
        }
        edits->Replace(code_.At(w.first), code_.At(w.first), std::move(open));
        edits->Replace(code_.At(w.last), code_.At(w.last), std::move(close));
    }

    size_t ExpressionEnd(size_t k) const {
        for (; k < code_.size(); ++k) {
            const char p = code_.Punct(k);
            if (p == '(' || p == '[' || p == '{')
                k = code_.Closing(k);
            else if (p == ',' || p == ';' || p == ')' || p == '}' || p == ']')
                break;
        }
        return std::min(k, code_.size());
    }

    // The end of the operand of a cast that starts at k: signs, casts, then
    // a primary expression and its indices and members; npos when it cannot
    // be told.
    size_t OperandEnd(size_t k) const {
        while (k < code_.size()) {
            const char p = code_.Punct(k);
            if (p != 0 && std::string_view("-+!~").find(p) != std::string_view::npos) {
                ++k;
            } else if (p == '(' && code_.IsIdent(k + 1) && code_.Punct(k + 2) == ')' &&
                       (ShapeOf(code_.Text(k + 1)).rows > 0 ||
                        outline_.FindStruct(code_, code_.Text(k + 1)) != nullptr)) {
                k += 3;
            } else {
                break;
            }
        }
        if (k >= code_.size()) return npos;
        if (code_.Punct(k) == '(') {
            k = code_.Closing(k) + 1;
        } else if (code_.IsIdent(k) && code_.Punct(k + 1) == '(') {
            k = code_.Closing(k + 1) + 1;
        } else if (code_.IsIdent(k) || code_.Token(k).kind == Tok::Number) {
            ++k;
        } else {
            return npos;
        }
        k = PastAccessors(k);
        return k <= code_.size() ? k : npos;
    }

    struct Compound {
        size_t name, op, end;
    };

    const TokenStream& s_;
    const Code& code_;
    const HlslOutline& outline_;
    std::vector<Wrap> wraps_;
    std::vector<Compound> compound_;
    std::unordered_map<std::string_view, std::string_view> aliases_;  // typedef -> type
    std::unordered_map<std::string_view, std::string_view> members_;  // member -> type
};

}  // namespace

bool RewriteIntMatrices(TokenRewriteState& state) {
    const Code& code = state.code();
    bool any = false;
    for (size_t i = 0; i < code.size() && !any; ++i) any = code.IsIdent(i) && MatrixKind(code.Text(i));
    if (!any) return true;
    TokenEdits edits;
    IntMatrices(*state.hlsl, code, state.outline()).Find(&edits);
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
