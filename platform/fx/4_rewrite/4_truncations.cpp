// Stage 4: implicit truncations as Direct3D 9 makes them, part of the
// "shapes" entry of 4_token_rewrites.h (see 4_truncations.h).
#include "platform/fx/4_rewrite/4_truncations.h"

#include <string_view>

namespace fx {
namespace {

struct Truncations {
    const TokenStream& s;
    const Code& code;
    const HlslOutline& outline;
    TokenEdits* edits;
    MessageSink& warnings;

    void Warn(size_t at) {
        warnings.Warning(code.Pos(at), "implicit truncation of vector type");
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
            if (!code.IsIdent(i) || code.Punct(i + 1) != '(') continue;
            // "float f(" declares; "return f(" calls.
            if (code.IsIdent(i - 1) && !OneOf(code.Text(i - 1), {"return", "else", "do"})) continue;
            const std::vector<size_t>& named = outline.Functions(code.Text(i));
            const size_t close = code.Closing(i + 1);
            if (named.empty() || close >= code.size()) continue;
            auto args = ListItems(code, i + 1, close);
            const FunctionOutline* callee = nullptr;
            bool ambiguous = false;
            for (size_t index : named) {
                const FunctionOutline& f = outline.functions[index];
                if (f.params.size() != args.size()) continue;
                ambiguous = ambiguous || (callee != nullptr && !SameParameters(*callee, f));
                callee = &f;
            }
            if (ambiguous) callee = OnlyFitting(named, args);
            if (callee == nullptr) continue;
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
    // Of overloads taking as many arguments, the one that every argument
    // can be given to when no other can: a vector is not widened (a
    // float2 goes to f(float) beside f(float4), cut to its first
    // component). Null when the sizes cannot all be told or another
    // overload may take the call.
    const FunctionOutline* OnlyFitting(const std::vector<size_t>& named,
                                       const std::vector<std::pair<size_t, size_t>>& args) const {
        const FunctionOutline* fitting = nullptr;
        for (size_t index : named) {
            const FunctionOutline& f = outline.functions[index];
            if (f.params.size() != args.size()) continue;
            bool fits = true;
            for (size_t a = 0; a < args.size() && fits; ++a) {
                const Declarator& d = f.params[a];
                if (d.type == npos || d.arrayOpen != npos) return nullptr;
                const int n = VectorSize(code.Text(d.type));
                const int m = ExpressionComponents(code, outline, args[a].first, args[a].second);
                if (n == 0 || m == 0 || m > 4) return nullptr;
                fits = m == 1 || m >= n;
            }
            if (!fits) continue;
            if (fitting != nullptr) return nullptr;
            fitting = &f;
        }
        return fitting;
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
            if (code.Punct(i) != '=' || code.Punct(i + 1) == '{') continue;
            // "a += b" as "a = b": the right side is cut to the left's size.
            const char op = code.Punct(i - 1);
            const bool compound = op != 0 && std::string_view("+-*/%").find(op) != npos &&
                                  (code.Token(i).flags & kGlued) != 0 && i >= 2;
            const size_t name = compound ? i - 2 : i - 1;
            if (!code.IsIdent(name)) continue;
            if (name >= 1 && (code.Punct(name - 1) == '.' || code.Punct(name - 1) == ']')) continue;
            const NameType* it = outline.Declared(code, name);
            if (it == nullptr || it->type == npos || it->array) continue;
            size_t end = ExpressionEnd(i + 1);
            if (Longer(i + 1, end, VectorSize(code.Text(it->type)))) Warn(i + 1);
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

void FindTruncations(const TokenStream& s, const Code& code, const HlslOutline& outline,
                     TokenEdits* edits, MessageSink& warnings) {
    Truncations t{s, code, outline, edits, warnings};
    t.Calls();
    t.Assignments();
}

}  // namespace fx
