// Stage 2, the value of a #if line (see 2_preprocess.h): integer
// arithmetic, comparisons, logic, ?: and ',' on 64-bit values that wrap,
// signed or unsigned as C types them, character constants ('A', '\n'),
// names that are no macro read as 0. Nesting is capped so that no
// expression can run away with the stack.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/fx/2_preprocess/2_preprocessor.h"

namespace fx {
namespace {

struct ExprToken {
    enum Kind { Ident, Number, Char, Op, Other } kind;
    std::string text;
    int64_t charValue = 0;  // a Char's value, signed
};

// True when the text of a character constant ends in a backslash that
// escapes what follows ('\'' goes on past the second quote).
bool IfCharEscapeOpen(const std::string& written) {
    size_t backslashes = 0;
    while (backslashes < written.size() && written[written.size() - 1 - backslashes] == '\\')
        ++backslashes;
    return backslashes % 2 == 1;
}

int IfCharHexDigit(char c) {
    c = Lower(c);
    return IsDigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
}

// The characters a constant's text stands for, C's escapes read
// (\n \t \v \b \r \f \a \\ \' \" \?, octal \101, hex \x41); false for
// an escape C does not know.
bool IfCharDecode(const std::string& written, std::string* chars) {
    for (size_t i = 0; i < written.size(); ++i) {
        if (written[i] != '\\') {
            *chars += written[i];
            continue;
        }
        if (++i >= written.size()) return false;
        const char e = written[i];
        static constexpr char kSimple[][2] = {{'n', '\n'}, {'t', '\t'}, {'v', '\v'},
                                              {'b', '\b'}, {'r', '\r'}, {'f', '\f'},
                                              {'a', '\a'}, {'\\', '\\'}, {'\'', '\''},
                                              {'"', '"'},  {'?', '?'}};
        bool simple = false;
        for (const auto& pair : kSimple) {
            if (e == pair[0]) {
                *chars += pair[1];
                simple = true;
            }
        }
        if (simple) continue;
        unsigned value = 0;
        if (e >= '0' && e <= '7') {
            size_t n = 0;
            for (; n < 3 && i < written.size() && written[i] >= '0' && written[i] <= '7'; ++n, ++i)
                value = value * 8 + static_cast<unsigned>(written[i] - '0');
            --i;
        } else if (e == 'x' && i + 1 < written.size() && IfCharHexDigit(written[i + 1]) >= 0) {
            while (i + 1 < written.size() && IfCharHexDigit(written[i + 1]) >= 0)
                value = value * 16 + static_cast<unsigned>(IfCharHexDigit(written[++i]));
        } else {
            return false;
        }
        *chars += static_cast<char>(value & 0xFF);
    }
    return true;
}

// Operators written as two characters are two tokens in the stream; they
// are one where the second follows the first directly.
std::vector<ExprToken> ExprTokens(const PpState& s, const std::vector<SourceToken>& tokens) {
    static constexpr const char* kTwoCharOps[] = {"&&", "||", "==", "!=", "<=", ">=", "<<", ">>"};
    std::vector<ExprToken> out;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const SourceToken& t = tokens[i];
        std::string text(s.Text(t));
        if (t.kind == Tok::Ident) {
            out.push_back({ExprToken::Ident, text});
        } else if (t.kind == Tok::Number) {
            out.push_back({ExprToken::Number, text});
        } else if (t.kind == Tok::Punct && text == "'") {
            // A character constant ('A' is 65; 'ab' is 'a' * 256 + 'b'; '\n',
            // '\'' and '\x41' as C reads escapes): the glued tokens up to the
            // quote no backslash escapes.
            size_t close = i + 1;
            std::string written;
            bool ok = false;
            for (; close < tokens.size() && (tokens[close].flags & kGlued) != 0; ++close) {
                if (s.IsPunct(tokens[close], '\'') && !IfCharEscapeOpen(written)) {
                    ok = true;
                    break;
                }
                written += s.Text(tokens[close]);
            }
            std::string chars;
            ok = ok && IfCharDecode(written, &chars) && !chars.empty();
            // One character is signed, as a char is; more are packed.
            uint64_t value = chars.size() == 1
                                 ? static_cast<uint64_t>(static_cast<int64_t>(
                                       static_cast<signed char>(chars[0])))
                                 : 0;
            for (size_t k = 0; chars.size() > 1 && k < chars.size(); ++k)
                value = (value << 8) | static_cast<unsigned char>(chars[k]);
            if (!ok) {
                out.push_back({ExprToken::Other, text});
                continue;
            }
            out.push_back({ExprToken::Char, "'" + written + "'", static_cast<int64_t>(value)});
            i = close;
        } else if (t.kind == Tok::Punct) {
            if (i + 1 < tokens.size() && tokens[i + 1].kind == Tok::Punct &&
                (tokens[i + 1].flags & kGlued) != 0) {
                std::string two = text + std::string(s.Text(tokens[i + 1]));
                for (const char* op : kTwoCharOps) {
                    if (two == op) {
                        text = two;
                        ++i;
                        break;
                    }
                }
            }
            out.push_back({ExprToken::Op, text});
        } else {
            out.push_back({ExprToken::Other, text});
        }
    }
    return out;
}

// A #if value: C's intmax_t or uintmax_t. A 'u' suffix, or a literal too
// large to be signed, makes a value unsigned, and so does an operator whose
// other operand is ("-1 > 0u" holds); comparisons and logic give signed 0 or 1.
struct IfValue {
    int64_t v = 0;
    bool isUnsigned = false;
};

class ExpressionEvaluator {
public:
    ExpressionEvaluator(const PpState& state, std::vector<ExprToken> tokens)
        : state_(state), tokens_(std::move(tokens)) {}

    // False with the reason in Reason().
    bool Evaluate(int64_t* value) {
        if (tokens_.empty()) {
            error_ = "missing expression";
            return false;
        }
        IfValue result;
        if (!Comma(&result)) return false;
        if (pos_ < tokens_.size()) {
            error_ = "unexpected '" + tokens_[pos_].text + "'";
            return false;
        }
        *value = result.v;
        return true;
    }
    const std::string& Reason() const { return error_; }

private:
    static constexpr int kMaxDepth = 64;

    bool Fail(std::string message) {
        if (error_.empty()) error_ = std::move(message);
        return false;
    }

    bool Peek(const char* op) const { return pos_ < tokens_.size() && tokens_[pos_].text == op; }

    // "a, b" is b, as C compilers take it on a #if line.
    bool Comma(IfValue* v) {
        if (!Conditional(v)) return false;
        while (Peek(",")) {
            ++pos_;
            if (!Conditional(v)) return false;
        }
        return true;
    }

    bool Conditional(IfValue* v) {
        if (++depth_ > kMaxDepth) return Fail("expression nests too deeply");
        bool ok = ConditionalInner(v);
        --depth_;
        return ok;
    }

    bool ConditionalInner(IfValue* v) {
        if (!Binary(1, v)) return false;
        if (!Peek("?")) return true;
        ++pos_;
        IfValue a;
        IfValue b;
        // The branch not taken is read, not evaluated: "0 ? 1 / 0 : 2".
        unevaluated_ += v->v == 0;
        const bool first = Comma(&a);
        unevaluated_ -= v->v == 0;
        if (!first) return false;
        if (!Peek(":")) return Fail("missing ':' in '?:'");
        ++pos_;
        unevaluated_ += v->v != 0;
        const bool second = Conditional(&b);
        unevaluated_ -= v->v != 0;
        if (!second) return false;
        *v = v->v ? a : b;
        v->isUnsigned = a.isUnsigned || b.isUnsigned;
        return true;
    }

    static int Precedence(const std::string& op) {
        static const std::pair<const char*, int> kTable[] = {
            {"||", 1}, {"&&", 2}, {"|", 3},  {"^", 4},  {"&", 5},  {"==", 6}, {"!=", 6},
            {"<", 7},  {">", 7},  {"<=", 7}, {">=", 7}, {"<<", 8}, {">>", 8}, {"+", 9},
            {"-", 9},  {"*", 10}, {"/", 10}, {"%", 10}};
        for (const auto& entry : kTable)
            if (op == entry.first) return entry.second;
        return 0;
    }

    bool Binary(int minPrecedence, IfValue* v) {
        if (!Unary(v)) return false;
        for (;;) {
            if (pos_ >= tokens_.size() || tokens_[pos_].kind != ExprToken::Op) return true;
            const std::string op = tokens_[pos_].text;
            int prec = Precedence(op);
            if (prec == 0 || prec < minPrecedence) return true;
            ++pos_;
            IfValue r;
            // "1 || 1 / 0": what the left side decides is not evaluated.
            const bool decided = (op == "||" && v->v != 0) || (op == "&&" && v->v == 0);
            unevaluated_ += decided;
            const bool read = Binary(prec + 1, &r);
            unevaluated_ -= decided;
            if (!read) return false;
            if (!Apply(op, v, r)) return false;
        }
    }

    // Wrapping arithmetic: the file may write anything.
    bool Apply(const std::string& op, IfValue* left, IfValue right) {
        const int64_t l = left->v;
        const int64_t r = right.v;
        const uint64_t a = static_cast<uint64_t>(l);
        const uint64_t b = static_cast<uint64_t>(r);
        // The usual conversions: unsigned when either side is (a shift
        // takes its left side's type).
        const bool both = left->isUnsigned || right.isUnsigned;
        auto truth = [&](bool value) {
            left->v = value ? 1 : 0;
            left->isUnsigned = false;
            return true;
        };
        if (op == "||") return truth(l || r);
        if (op == "&&") return truth(l && r);
        if (op == "==") return truth(l == r);
        if (op == "!=") return truth(l != r);
        if (op == "<") return truth(both ? a < b : l < r);
        if (op == ">") return truth(both ? a > b : l > r);
        if (op == "<=") return truth(both ? a <= b : l <= r);
        if (op == ">=") return truth(both ? a >= b : l >= r);
        if (op == "<<" || op == ">>") {
            if (op == "<<") left->v = static_cast<int64_t>(a << (b & 63));
            else left->v = left->isUnsigned ? static_cast<int64_t>(a >> (b & 63)) : l >> (b & 63);
            return true;
        }
        left->isUnsigned = both;
        if (op == "|") left->v = static_cast<int64_t>(a | b);
        else if (op == "^") left->v = static_cast<int64_t>(a ^ b);
        else if (op == "&") left->v = static_cast<int64_t>(a & b);
        else if (op == "+") left->v = static_cast<int64_t>(a + b);
        else if (op == "-") left->v = static_cast<int64_t>(a - b);
        else if (op == "*") left->v = static_cast<int64_t>(a * b);
        else {
            if (r == 0 && unevaluated_ > 0) {
                left->v = 0;
                return true;
            }
            if (r == 0) return Fail("division by zero");
            if (both) {
                left->v = static_cast<int64_t>(op == "/" ? a / b : a % b);
            } else if (r == -1) {
                left->v = op == "/" ? static_cast<int64_t>(0 - a) : 0;
            } else {
                left->v = op == "/" ? l / r : l % r;
            }
        }
        return true;
    }

    bool Unary(IfValue* v) {
        if (pos_ >= tokens_.size()) return Fail("expression ends too early");
        if (++depth_ > kMaxDepth) return Fail("expression nests too deeply");
        bool ok = UnaryInner(v);
        --depth_;
        return ok;
    }

    bool UnaryInner(IfValue* v) {
        const ExprToken t = tokens_[pos_++];
        if (t.kind == ExprToken::Op) {
            if (t.text == "(") {
                if (!Comma(v)) return false;
                if (!Peek(")")) return Fail("missing ')'");
                ++pos_;
                return true;
            }
            if (t.text == "!" || t.text == "~" || t.text == "-" || t.text == "+") {
                if (!Unary(v)) return false;
                uint64_t a = static_cast<uint64_t>(v->v);
                if (t.text == "!") {
                    v->v = v->v == 0;
                    v->isUnsigned = false;
                }
                if (t.text == "~") v->v = static_cast<int64_t>(~a);
                if (t.text == "-") v->v = static_cast<int64_t>(0 - a);
                return true;
            }
            return Fail("unexpected '" + t.text + "'");
        }
        if (t.kind == ExprToken::Ident) {
            // defined X that a macro made; any other name is 0.
            *v = IfValue{};
            if (t.text == "defined") return Defined(v);
            return true;
        }
        if (t.kind == ExprToken::Number) return Number(t.text, v);
        if (t.kind == ExprToken::Char) {
            *v = IfValue{t.charValue, false};
            return true;
        }
        return Fail("unexpected '" + t.text + "'");
    }

    bool Defined(IfValue* v) {
        bool paren = Peek("(");
        if (paren) ++pos_;
        if (pos_ >= tokens_.size() || tokens_[pos_].kind != ExprToken::Ident)
            return Fail("'defined' needs a macro name");
        v->v = state_.Find(state_.texts.Id(tokens_[pos_++].text)) != nullptr ? 1 : 0;
        if (paren) {
            if (!Peek(")")) return Fail("missing ')' after 'defined('");
            ++pos_;
        }
        return true;
    }

    bool Number(const std::string& text, IfValue* v) {
        size_t end = text.size();
        bool suffixU = false;
        while (end > 0 && (Lower(text[end - 1]) == 'u' || Lower(text[end - 1]) == 'l')) {
            suffixU = suffixU || Lower(text[end - 1]) == 'u';
            --end;
        }
        std::string digits = text.substr(0, end);
        int base = 10;
        size_t i = 0;
        if (digits.size() > 2 && digits[0] == '0' && Lower(digits[1]) == 'x') {
            base = 16;
            i = 2;
        } else if (digits.size() > 1 && digits[0] == '0') {
            base = 8;
            i = 1;
        }
        if (i >= digits.size()) return Fail("invalid number '" + text + "'");
        uint64_t value = 0;
        for (; i < digits.size(); ++i) {
            char c = Lower(digits[i]);
            int d = IsDigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : 99;
            if (d >= base) return Fail("invalid number '" + text + "'");
            // Past 64 bits it would wrap into another number.
            if (value > (UINT64_MAX - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base))
                return Fail("the number '" + text + "' is too large");
            value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        }
        v->v = static_cast<int64_t>(value);
        v->isUnsigned = suffixU || value > static_cast<uint64_t>(INT64_MAX);
        return true;
    }

    const PpState& state_;
    std::vector<ExprToken> tokens_;
    size_t pos_ = 0;
    int depth_ = 0;
    int unevaluated_ = 0;  // inside operands whose value is not used
    std::string error_;
};

}  // namespace

bool EvaluateIfExpression(const PpState& state, const std::vector<SourceToken>& tokens,
                          const std::string& directive, int64_t* value, MessageSink& messages) {
    ExpressionEvaluator evaluator(state, ExprTokens(state, tokens));
    if (evaluator.Evaluate(value)) return true;
    messages.Error("cannot evaluate '#" + directive + "': " + evaluator.Reason());
    return false;
}

}  // namespace fx
