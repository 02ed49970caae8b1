// Stage 3, state values written as expressions, as the effect framework
// takes them in passes and sampler_state blocks:
//
//     AlphaRef = 0x80 + 1;
//     AlphaBlendEnable = (Mode > 1) ? TRUE : FALSE;
//     ZEnable = UseDepth;                 // a global: its initial value
//     AlphaBlendEnable = <UseBlend>;      // the same, named as textures are
//     ColorWriteEnable = RED | (ShowAlpha ? ALPHA : 0);
//     MipMapLodBias = -0.5 * 2;
//     BorderColor = float4(1, 0, 0, 1);   // or (float4)0, or { 1, 0, 0, 1 }
//
// The names of the state's own values (SRCALPHA, LINEAR, RED) and TRUE /
// FALSE are constants; any other name is a global, read through its
// initializer (a global without one is 0, as Direct3D 9 starts it). The
// values are up to four components, int or float; arithmetic, comparison,
// bit, logic and the ternary operators work as in HLSL, per component.
// Direct3D 9 evaluates such a value when the pass begins; parameters here
// keep their initial values as far as states go, so it is evaluated once,
// at the load. Nesting is bounded: hostile input gets an error, not a deep
// stack.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/fx/3_parse/3_parser.h"

namespace fx {
namespace {

constexpr size_t kMaxStateNesting = 64;

}  // namespace

bool StateTypeName(std::string_view name, int* count, bool* isFloat, bool* isBool) {
    static constexpr const char* kBases[] = {"float", "half", "double", "int",
                                             "uint",  "dword", "bool"};
    for (const char* base : kBases) {
        size_t n = std::strlen(base);
        if (name.size() < n || !IEquals(name.substr(0, n), base)) continue;
        // Lower-case HLSL types; DWORD in capitals as effect files write it.
        if (name.substr(0, n) != base && name.substr(0, n) != "DWORD") continue;
        std::string_view rest = name.substr(n);
        if (!rest.empty() && (rest.size() != 1 || rest[0] < '1' || rest[0] > '4')) continue;
        *count = rest.empty() ? 1 : rest[0] - '0';
        *isBool = base[0] == 'b';
        *isFloat = base[0] == 'f' || base[0] == 'h' || (base[0] == 'd' && base[1] == 'o');
        return true;
    }
    return false;
}

// The expression's tokens, read by recursive descent with a bounded depth.
class StateExpression {
public:
    StateExpression(Parser& parser, const std::vector<TokenRef>& tokens, const ValueSet* names,
                    size_t depth)
        : p_(parser), t_(tokens), names_(names), depth_(depth) {}

    bool Evaluate(StateValue* out) {
        if (!Ternary(out)) return false;
        if (i_ < t_.size()) return Fail(i_, "unexpected " + Quote(p_.Text(t_[i_])));
        return true;
    }
    std::string why;
    size_t whyAt = 0;

private:
    bool Fail(size_t at, std::string text) {
        if (why.empty()) {
            why = std::move(text);
            whyAt = std::min(at, t_.empty() ? 0 : t_.size() - 1);
        }
        return false;
    }
    bool IsOp(size_t at, const char* op) const {
        size_t n = std::strlen(op);
        if (at + n > t_.size()) return false;
        for (size_t k = 0; k < n; ++k) {
            if (!p_.IsPunct(t_[at + k], op[k])) return false;
            if (k > 0 && (p_.in_.tokens[t_[at + k].index].flags & kGlued) == 0) return false;
        }
        // "<" is not "<<" or "<=": the operator is the longest that matches.
        if (at + n < t_.size() && t_[at + n].kind == Tok::Punct &&
            (p_.in_.tokens[t_[at + n].index].flags & kGlued) != 0) {
            std::string_view next = p_.Text(t_[at + n]);
            std::string two = std::string(1, op[n - 1]) + std::string(next);
            static constexpr const char* kLonger[] = {"<<", ">>", "<=", ">=", "==", "!=",
                                                      "&&", "||"};
            if (n == 1)
                for (const char* l : kLonger)
                    if (two == l) return false;
        }
        return true;
    }
    bool Take(const char* op) {
        if (!IsOp(i_, op)) return false;
        i_ += std::strlen(op);
        return true;
    }
    bool Enter() {
        if (++depth_ > kMaxStateNesting)
            return Fail(i_, "the value nests more than " + std::to_string(kMaxStateNesting) +
                                " deep");
        return true;
    }

    static double Truth(const StateValue& v) { return v.v[0] != 0 ? 1 : 0; }
    // Per component, a scalar replicated; the shorter's length.
    template <typename F>
    static StateValue Combine(const StateValue& a, const StateValue& b, bool isFloat, F f) {
        StateValue r;
        r.count = a.count == 1 ? b.count : b.count == 1 ? a.count : std::min(a.count, b.count);
        r.isFloat = isFloat;
        for (int k = 0; k < r.count; ++k)
            r.v[k] = f(a.v[a.count == 1 ? 0 : k], b.v[b.count == 1 ? 0 : k]);
        return r;
    }
    static uint32_t Bits(double d) { return static_cast<uint32_t>(static_cast<int64_t>(d)); }

    bool Ternary(StateValue* out) {
        if (!Enter()) return false;
        StateValue c;
        if (!Binary(0, &c)) return false;
        if (Take("?")) {
            StateValue a, b;
            if (!Ternary(&a)) return false;
            if (!Take(":")) return Fail(i_, "expected ':' in the value");
            if (!Ternary(&b)) return false;
            *out = Truth(c) != 0 ? a : b;
        } else {
            *out = c;
        }
        --depth_;
        return true;
    }

    // Binary operators by precedence, loosest first.
    bool Binary(int level, StateValue* out) {
        static constexpr const char* kLevels[][4] = {
            {"||"}, {"&&"}, {"|"}, {"^"}, {"&"}, {"==", "!="}, {"<=", ">=", "<", ">"},
            {"<<", ">>"}, {"+", "-"}, {"*", "/", "%"},
        };
        constexpr int kCount = sizeof kLevels / sizeof kLevels[0];
        if (level == kCount) return Unary(out);
        if (!Binary(level + 1, out)) return false;
        for (;;) {
            const char* op = nullptr;
            for (const char* o : kLevels[level])
                if (o != nullptr && IsOp(i_, o)) {
                    op = o;
                    break;
                }
            if (op == nullptr) return true;
            size_t at = i_;
            i_ += std::strlen(op);
            StateValue b;
            if (!Binary(level + 1, &b)) return false;
            if (!Apply(op, at, *out, b, out)) return false;
        }
    }

    bool Apply(std::string_view op, size_t at, const StateValue& a, const StateValue& b,
               StateValue* out) {
        const bool f = a.isFloat || b.isFloat;
        auto num = [&](double x) { return f ? x : std::trunc(x); };
        if (op == "+") *out = Combine(a, b, f, [&](double x, double y) { return num(x + y); });
        if (op == "-") *out = Combine(a, b, f, [&](double x, double y) { return num(x - y); });
        if (op == "*") *out = Combine(a, b, f, [&](double x, double y) { return num(x * y); });
        if (op == "/" || op == "%") {
            for (int k = 0; k < b.count; ++k)
                if (b.v[k] == 0 && !f) return Fail(at, "division by zero in the value");
            if (op == "/")
                *out = Combine(a, b, f, [&](double x, double y) { return num(x / y); });
            else
                *out = Combine(a, b, f, [](double x, double y) { return std::fmod(x, y); });
        }
        auto cmp = [&](auto c) {
            *out = Combine(a, b, false, [&](double x, double y) { return c(x, y) ? 1.0 : 0.0; });
        };
        if (op == "<") cmp([](double x, double y) { return x < y; });
        if (op == ">") cmp([](double x, double y) { return x > y; });
        if (op == "<=") cmp([](double x, double y) { return x <= y; });
        if (op == ">=") cmp([](double x, double y) { return x >= y; });
        if (op == "==") cmp([](double x, double y) { return x == y; });
        if (op == "!=") cmp([](double x, double y) { return x != y; });
        if (op == "&&") cmp([](double x, double y) { return x != 0 && y != 0; });
        if (op == "||") cmp([](double x, double y) { return x != 0 || y != 0; });
        if (op == "|" || op == "&" || op == "^" || op == "<<" || op == ">>") {
            if (f) return Fail(at, Quote(op) + " needs int operands in the value");
            *out = Combine(a, b, false, [&](double x, double y) {
                uint32_t u = Bits(x), v = Bits(y);
                uint32_t r = op == "|"   ? u | v
                             : op == "&" ? u & v
                             : op == "^" ? u ^ v
                             : op == "<<" ? (v < 32 ? u << v : 0)
                                          : (v < 32 ? u >> v : 0);
                return static_cast<double>(r);
            });
        }
        return true;
    }

    bool Unary(StateValue* out) {
        if (!Enter()) return false;
        bool ok = UnaryBody(out);
        --depth_;
        return ok;
    }
    bool UnaryBody(StateValue* out) {
        if (i_ >= t_.size()) return Fail(i_, "the value ends too early");
        for (const char* op : {"-", "+", "!", "~"}) {
            if (!Take(op)) continue;
            if (!Unary(out)) return false;
            for (int k = 0; k < out->count; ++k) {
                double& x = out->v[k];
                if (op[0] == '-') x = -x;
                if (op[0] == '!') x = x == 0 ? 1 : 0;
                if (op[0] == '~') {
                    if (out->isFloat) return Fail(i_, "'~' needs an int operand in the value");
                    x = static_cast<double>(~Bits(x));
                }
            }
            return true;
        }
        // "(float4)0": a cast.
        int count = 0;
        bool isFloat = false, isBool = false;
        if (IsOp(i_, "(") && i_ + 2 < t_.size() && t_[i_ + 1].kind == Tok::Ident &&
            p_.IsPunct(t_[i_ + 2], ')') &&
            StateTypeName(p_.Text(t_[i_ + 1]), &count, &isFloat, &isBool)) {
            i_ += 3;
            if (!Unary(out)) return false;
            return Convert(count, isFloat, isBool, out);
        }
        return Primary(out);
    }

    bool Convert(int count, bool isFloat, bool isBool, StateValue* v) {
        StateValue r;
        r.count = count;
        r.isFloat = isFloat;
        for (int k = 0; k < count; ++k) {
            double x = v->v[v->count == 1 ? 0 : std::min(k, v->count - 1)];
            if (v->count != 1 && k >= v->count) return Fail(i_, "too few components to convert");
            r.v[k] = isBool ? (x != 0 ? 1 : 0) : isFloat ? x : std::trunc(x);
        }
        *v = r;
        return true;
    }

    // "a, b, c" up to the closing character; every component in order.
    bool List(char close, StateValue* out) {
        out->count = 0;
        out->isFloat = false;
        if (i_ < t_.size() && p_.IsPunct(t_[i_], close))
            return Fail(i_, "an empty list in the value");
        for (;;) {
            StateValue item;
            if (!Ternary(&item)) return false;
            for (int k = 0; k < item.count; ++k) {
                if (out->count == 4) return Fail(i_, "more than four components in the value");
                out->v[out->count++] = item.v[k];
            }
            out->isFloat = out->isFloat || item.isFloat;
            if (Take(",")) continue;
            char s[2] = {close, 0};
            if (!Take(s)) return Fail(i_, std::string("expected '") + close + "' in the value");
            return true;
        }
    }

    bool Primary(StateValue* out) {
        const TokenRef& t = t_[i_];
        std::string_view text = p_.Text(t);
        if (p_.IsPunct(t, '(')) {
            ++i_;
            if (!Ternary(out)) return false;
            if (!Take(")")) return Fail(i_, "expected ')' in the value");
            return true;
        }
        if (p_.IsPunct(t, '{')) {
            ++i_;
            return List('}', out);
        }
        // "<UseBlend>": a global named as Texture = <t> names its texture.
        if (p_.IsPunct(t, '<') && i_ + 2 < t_.size() && t_[i_ + 1].kind == Tok::Ident &&
            p_.IsPunct(t_[i_ + 2], '>')) {
            i_ += 3;
            return Global(i_ - 2, p_.Text(t_[i_ - 2]), out);
        }
        if (t.kind == Tok::Number) {
            ++i_;
            return Number(text, out);
        }
        if (t.kind != Tok::Ident) return Fail(i_, "unexpected " + Quote(text) + " in the value");
        ++i_;
        // "float4(1, 0, 0, 1)": a constructor.
        int count = 0;
        bool isFloat = false, isBool = false;
        if (StateTypeName(text, &count, &isFloat, &isBool) && Take("(")) {
            StateValue list;
            if (!List(')', &list)) return false;
            if (list.count != count && list.count != 1)
                return Fail(i_ - 1, Quote(text) + " takes " + std::to_string(count) +
                                        " components");
            *out = list;
            return Convert(count, isFloat, isBool, out);
        }
        out->count = 1;
        out->isFloat = false;
        DWORD named = 0;
        if (names_ && names_->count > 0 && LookUpValue(*names_, text, &named)) {
            out->v[0] = named;
            return true;
        }
        if (IEquals(text, "true") || IEquals(text, "false")) {
            out->v[0] = IEquals(text, "true") ? 1 : 0;
            return true;
        }
        return Global(i_ - 1, text, out);
    }

    bool Number(std::string_view text, StateValue* out) {
        out->count = 1;
        DWORD word = 0;
        if (ParseColorWord(text, &word)) {
            out->v[0] = word;
            out->isFloat = false;
            return true;
        }
        std::string s(text);
        while (!s.empty() && std::strchr("fFhHuUlL", s.back()) != nullptr) s.pop_back();
        char* end = nullptr;
        double d = std::strtod(s.c_str(), &end);
        if (s.empty() || end != s.c_str() + s.size() || !std::isfinite(d))
            return Fail(i_ - 1, Quote(text) + " is not a number");
        out->v[0] = d;
        out->isFloat = true;
        return true;
    }

    // A global by name: its initializer, evaluated as a value of its own.
    bool Global(size_t at, std::string_view name, StateValue* out) {
        auto it = p_.globalValues_.find(name);
        if (it == p_.globalValues_.end()) {
            bool declared = false;
            for (const GlobalDeclaration& g : p_.result_.globals) declared |= g.name == name;
            if (!declared) return Fail(at, "unknown name " + Quote(name) + " in the value");
            out->v[0] = 0;
            return true;
        }
        std::vector<TokenRef> tokens;
        for (size_t k = it->second.begin; k < it->second.end; ++k) {
            const SourceToken& s = p_.in_.tokens[k];
            if (s.kind != Tok::Directive) tokens.push_back({s.kind, k});
        }
        StateExpression inner(p_, tokens, nullptr, depth_ + 1);
        if (!inner.Evaluate(out)) {
            // Said once, about the innermost global.
            if (inner.why.rfind("the initial value", 0) == 0) return Fail(at, inner.why);
            return Fail(at, "the initial value of " + Quote(name) + " is not a constant (" +
                                inner.why + ")");
        }
        if (it->second.isInt) Convert(out->count, false, false, out);
        return true;
    }

    Parser& p_;
    const std::vector<TokenRef>& t_;
    const ValueSet* names_;
    size_t depth_;
    size_t i_ = 0;
};

bool Parser::EvaluateState(const std::vector<TokenRef>& value, const ValueSet* names,
                           StateValue* out, std::string* why, TokenRef* at) {
    StateExpression e(*this, value, names, 0);
    if (e.Evaluate(out)) return true;
    *why = e.why;
    *at = value.empty() ? EndRef() : value[e.whyAt];
    return false;
}

bool Parser::EvaluateStateNumber(StateNumber kind, const std::vector<TokenRef>& value, DWORD* out,
                                 std::string* why, TokenRef* at) {
    if (ParseStateNumber(kind, ValueText(value), out)) return true;
    StateValue sv;
    if (!EvaluateState(value, nullptr, &sv, why, at)) return false;
    if (sv.count != 1) {
        *why = "one component expected";
        return false;
    }
    if (kind == StateNumber::Float) {
        const float f = static_cast<float>(sv.v[0]);
        std::memcpy(out, &f, sizeof f);
        return true;
    }
    if (!(sv.v[0] >= 0 && sv.v[0] <= 0xffffffffu && sv.v[0] == std::trunc(sv.v[0]))) {
        *why = "not a whole number of 0 or more";
        return false;
    }
    *out = static_cast<DWORD>(sv.v[0]);
    return true;
}

}  // namespace fx
