// Stage 4: comparisons and logic of matrices as Direct3D 9 computes them
// (the "matrix_logic" entry of 4_token_rewrites.h).
#include <algorithm>
#include <set>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
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
        // functions of a matrix type (or a typedef of one).
        auto matrix = [&](size_t type) {
            const Shape shape = ShapeOf(outline.Underlying(code.Text(type)));
            return shape.matrix && shape.rows > 1 && shape.cols > 1;
        };
        for (const auto& [name, declared] : outline.names) {
            if (declared.type != npos && matrix(declared.type)) matrixNames_.insert(name);
        }
        for (const auto& [name, list] : outline.scoped) {
            for (const ScopedName& d : list)
                if (d.declared.type != npos && matrix(d.declared.type)) matrixNames_.insert(name);
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
        const Shape shape = ShapeOf(outline_.Underlying(code_.Text(i)));
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
                const bool cast = p == '(' && close == k + 2 &&
                                  ShapeOf(outline_.Underlying(code_.Text(k + 1))).rows > 0 && start;
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
            return RowByRowCall(k, call, first, end, out);
        }
        if (code_.Punct(k) == '?') return Select(k, first, end, out);
        if (!IsOp(k) || (k > 0 && IsOp(k - 1) && Glued(k))) return false;
        int q = 0;
        const std::string_view op = Leading(k, &q);
        const bool binary = k > 0 && EndsOperand(k - 1) && !Keyword(k - 1);  // not "return !m"
        const bool compares = q == 6 || q == 5 || q == 3 || q == 2;
        if (binary && compares) return Comparison(k, op.size(), q, first, end, out);
        if (!binary && op == "!" && !(k + 1 < code_.size() && code_.Punct(k + 1) == '=' && Glued(k + 1))) {
            return Not(k, first, end, out);
        }
        return false;
    }

    // Row by row (glslang fails on isfinite, modf and frexp of a matrix):
    // modf(m, i) and frexp(m, e) write each row's second part into that row
    // of their out argument.
    bool RowByRowCall(size_t k, std::string_view call, size_t* first, size_t* end,
                      std::vector<SourceToken>* out) const {
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

    // A comparison (of precedence q, its operator opSize tokens at k) with a
    // matrix on either side.
    bool Comparison(size_t k, size_t opSize, int q, size_t* first, size_t* end,
                    std::vector<SourceToken>* out) const {
        const size_t left = Left(k, q), right = Right(k + opSize, q);
        if (left >= k || right <= k + opSize || right - left > kMaxRewritten ||
            !MentionsMatrix(left, right)) {
            return false;
        }
        const Shape a = Typed(left, k);
        const Shape b = Typed(k + opSize, right);
        const Shape shape = a.rows > 0 ? a : b;
        if (shape.rows == 0) return false;
        // The other side is a matrix of the same shape or a scalar.
        const Shape other = a.rows > 0 ? b : a;
        const size_t otherFirst = a.rows > 0 ? k + opSize : left;
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
            for (size_t i = k; i < k + opSize; ++i) Copy(i, out);
            Side(k + opSize, right, b.rows > 0, row, out);
        }, out);
        return true;
    }

    // "!m" of a matrix.
    bool Not(size_t k, size_t* first, size_t* end, std::vector<SourceToken>* out) const {
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

// Whether the code holds what a rewrite here starts at: a comparison or
// logic operator ('<', '>', "==", '!', '&', '|'), a '?', or a call of
// isfinite, isnan, isinf, modf or frexp. Most effects compare no matrices:
// one scan, without the outline, says there is nothing to do.
bool MayCompare(const Code& code) {
    for (size_t i = 0; i < code.size(); ++i) {
        switch (code.Punct(i)) {
            case '<': case '>': case '!': case '&': case '|': case '?':
                return true;
            case '=':
                if (code.Punct(i + 1) == '=') return true;
                break;
            case 0:
                if (code.IsIdent(i) && code.Punct(i + 1) == '(' &&
                    OneOf(code.Text(i), {"isfinite", "isnan", "isinf", "modf", "frexp"}))
                    return true;
                break;
            default:
                break;
        }
    }
    return false;
}

}  // namespace

bool RewriteMatrixLogic(TokenRewriteState& state) {
    TokenStream* hlsl = state.hlsl;
    if (!MayCompare(state.code())) return true;
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
