// Stage 2, the value of a #if line (see 2_preprocess.h): integer
// arithmetic, comparisons, logic and ?: on 64-bit values that wrap,
// character constants ('A'), names that are no macro read as 0. Nesting is
// capped so that no expression can run away with the stack.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/fx/2_preprocess/2_preprocessor.h"

namespace fx {
namespace {

struct ExprToken {
    enum Kind { Ident, Number, Op, Other } kind;
    std::string text;
};

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
            // A character constant ('A' is 65; 'ab' is 'a' * 256 + 'b'): the
            // characters up to the next quote, as written, without escapes.
            size_t close = i + 1;
            std::string chars;
            bool ok = false;
            for (; close < tokens.size() && (tokens[close].flags & kGlued) != 0; ++close) {
                if (s.IsPunct(tokens[close], '\'')) {
                    ok = !chars.empty();
                    break;
                }
                chars += s.Text(tokens[close]);
            }
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
            char hex[24];
            std::snprintf(hex, sizeof hex, "0x%llx", static_cast<unsigned long long>(value));
            out.push_back({ExprToken::Number, hex});
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
        if (!Conditional(value)) return false;
        if (pos_ < tokens_.size()) {
            error_ = "unexpected '" + tokens_[pos_].text + "'";
            return false;
        }
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

    bool Conditional(int64_t* v) {
        if (++depth_ > kMaxDepth) return Fail("expression nests too deeply");
        bool ok = ConditionalInner(v);
        --depth_;
        return ok;
    }

    bool ConditionalInner(int64_t* v) {
        if (!Binary(1, v)) return false;
        if (!Peek("?")) return true;
        ++pos_;
        int64_t a = 0;
        int64_t b = 0;
        // The branch not taken is read, not evaluated: "0 ? 1 / 0 : 2".
        unevaluated_ += *v == 0;
        const bool first = Conditional(&a);
        unevaluated_ -= *v == 0;
        if (!first) return false;
        if (!Peek(":")) return Fail("missing ':' in '?:'");
        ++pos_;
        unevaluated_ += *v != 0;
        const bool second = Conditional(&b);
        unevaluated_ -= *v != 0;
        if (!second) return false;
        *v = *v ? a : b;
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

    bool Binary(int minPrecedence, int64_t* v) {
        if (!Unary(v)) return false;
        for (;;) {
            if (pos_ >= tokens_.size() || tokens_[pos_].kind != ExprToken::Op) return true;
            const std::string op = tokens_[pos_].text;
            int prec = Precedence(op);
            if (prec == 0 || prec < minPrecedence) return true;
            ++pos_;
            int64_t r = 0;
            // "1 || 1 / 0": what the left side decides is not evaluated.
            const bool decided = (op == "||" && *v != 0) || (op == "&&" && *v == 0);
            unevaluated_ += decided;
            const bool read = Binary(prec + 1, &r);
            unevaluated_ -= decided;
            if (!read) return false;
            if (!Apply(op, v, r)) return false;
        }
    }

    // Wrapping arithmetic: the file may write anything.
    bool Apply(const std::string& op, int64_t* v, int64_t r) {
        uint64_t a = static_cast<uint64_t>(*v);
        uint64_t b = static_cast<uint64_t>(r);
        if (op == "||") *v = (*v || r) ? 1 : 0;
        else if (op == "&&") *v = (*v && r) ? 1 : 0;
        else if (op == "|") *v = static_cast<int64_t>(a | b);
        else if (op == "^") *v = static_cast<int64_t>(a ^ b);
        else if (op == "&") *v = static_cast<int64_t>(a & b);
        else if (op == "==") *v = *v == r;
        else if (op == "!=") *v = *v != r;
        else if (op == "<") *v = *v < r;
        else if (op == ">") *v = *v > r;
        else if (op == "<=") *v = *v <= r;
        else if (op == ">=") *v = *v >= r;
        else if (op == "<<") *v = static_cast<int64_t>(a << (b & 63));
        else if (op == ">>") *v = *v >> (b & 63);
        else if (op == "+") *v = static_cast<int64_t>(a + b);
        else if (op == "-") *v = static_cast<int64_t>(a - b);
        else if (op == "*") *v = static_cast<int64_t>(a * b);
        else {
            if (r == 0 && unevaluated_ > 0) {
                *v = 0;
                return true;
            }
            if (r == 0) return Fail("division by zero");
            if (r == -1) {
                *v = op == "/" ? static_cast<int64_t>(0 - a) : 0;
            } else {
                *v = op == "/" ? *v / r : *v % r;
            }
        }
        return true;
    }

    bool Unary(int64_t* v) {
        if (pos_ >= tokens_.size()) return Fail("expression ends too early");
        if (++depth_ > kMaxDepth) return Fail("expression nests too deeply");
        bool ok = UnaryInner(v);
        --depth_;
        return ok;
    }

    bool UnaryInner(int64_t* v) {
        const ExprToken t = tokens_[pos_++];
        if (t.kind == ExprToken::Op) {
            if (t.text == "(") {
                if (!Conditional(v)) return false;
                if (!Peek(")")) return Fail("missing ')'");
                ++pos_;
                return true;
            }
            if (t.text == "!" || t.text == "~" || t.text == "-" || t.text == "+") {
                if (!Unary(v)) return false;
                uint64_t a = static_cast<uint64_t>(*v);
                if (t.text == "!") *v = !*v;
                if (t.text == "~") *v = static_cast<int64_t>(~a);
                if (t.text == "-") *v = static_cast<int64_t>(0 - a);
                return true;
            }
            return Fail("unexpected '" + t.text + "'");
        }
        if (t.kind == ExprToken::Ident) {
            // defined X that a macro made; any other name is 0.
            *v = 0;
            if (t.text == "defined") return Defined(v);
            return true;
        }
        if (t.kind == ExprToken::Number) return Number(t.text, v);
        return Fail("unexpected '" + t.text + "'");
    }

    bool Defined(int64_t* v) {
        bool paren = Peek("(");
        if (paren) ++pos_;
        if (pos_ >= tokens_.size() || tokens_[pos_].kind != ExprToken::Ident)
            return Fail("'defined' needs a macro name");
        *v = state_.Find(state_.texts.Id(tokens_[pos_++].text)) != nullptr ? 1 : 0;
        if (paren) {
            if (!Peek(")")) return Fail("missing ')' after 'defined('");
            ++pos_;
        }
        return true;
    }

    bool Number(const std::string& text, int64_t* v) {
        size_t end = text.size();
        while (end > 0 && (Lower(text[end - 1]) == 'u' || Lower(text[end - 1]) == 'l')) --end;
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
        *v = static_cast<int64_t>(value);
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
