// Stage 5: rewrites of the text before glslang (see 5_tree.h).
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/fx/5_glslang/5_text_rewrites.h"
#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"
#include "platform/fx/5_glslang/5_hlsl_to_spirv.h"
#include "platform/fx/5_glslang/5_tree.h"
#include "platform/fx/shared/tokenizer.h"

namespace fx {
namespace {

// _11_22 or _m00_m11: at least two elements.
bool IsMatrixSwizzle(const std::string& s) {
    size_t at = 0;
    int elements = 0;
    while (at < s.size()) {
        if (s[at] != '_') return false;
        ++at;
        const bool zeroBased = at < s.size() && s[at] == 'm';
        if (zeroBased) ++at;
        for (int k = 0; k < 2; ++k, ++at) {
            if (at >= s.size()) return false;
            const char lo = zeroBased ? '0' : '1', hi = zeroBased ? '3' : '4';
            if (s[at] < lo || s[at] > hi) return false;
        }
        ++elements;
    }
    return elements >= 2;
}

}  // namespace

void MoveMap(SourceMap* map, const std::vector<TextMove>& moves) {
    for (const TextMove& m : moves) {
        for (SourceMap::Entry& e : map->entries) {
            if (static_cast<int>(e.outLine) == m.line && static_cast<int>(e.outColumn) >= m.column)
                e.outColumn = static_cast<uint32_t>(static_cast<int>(e.outColumn) + m.delta);
        }
    }
}

std::string SplitSwizzleAssignments(const std::string& hlsl, std::vector<TextMove>* moves) {
    if (hlsl.find("=") == std::string::npos || hlsl.find("._") == std::string::npos) return hlsl;
    const TokenizedText tokenized(hlsl);
    const std::vector<Token>& tokens = tokenized.tokens;
    auto text = [&](size_t i) { return tokenized.Text(i); };
    auto punct = [&](size_t i, char c) { return tokenized.Punct(i, c); };
    TextEdits edits;
    for (size_t i = 2; i + 2 < tokens.size(); ++i) {
        // ... . SWIZZLE op = ... ;
        if (tokens[i].kind != Tok::Ident || !punct(i - 1, '.') || !IsMatrixSwizzle(text(i))) continue;
        const size_t op = i + 1;
        if (!(punct(op, '+') || punct(op, '-') || punct(op, '*') || punct(op, '/') || punct(op, '%')) ||
            !punct(op + 1, '=') || tokens[op + 1].begin != tokens[op].end) {
            continue;
        }
        // The matrix: identifiers, members and plain indexes back to the
        // start of the statement.
        size_t first = i - 1;
        bool plain = true;
        while (first > 0) {
            const size_t p = first - 1;
            if (tokens[p].kind == Tok::Ident || punct(p, '.')) {
                first = p;
            } else if (punct(p, ']')) {
                size_t open = p;
                while (open > 0 && !punct(open, '[')) {
                    --open;
                    if (!(tokens[open].kind == Tok::Ident || tokens[open].kind == Tok::Number ||
                          punct(open, '['))) {
                        plain = false;
                    }
                }
                first = open;
            } else {
                break;
            }
        }
        if (!plain || first == i - 1 || !(first == 0 || punct(first - 1, ';') ||
                                          punct(first - 1, '{') || punct(first - 1, '}'))) {
            continue;
        }
        // The end of the statement.
        size_t end = op + 2;
        int depth = 0;
        while (end < tokens.size() && !(depth == 0 && punct(end, ';'))) {
            if (punct(end, '(') || punct(end, '[') || punct(end, '{')) ++depth;
            if (punct(end, ')') || punct(end, ']') || punct(end, '}')) --depth;
            if (depth < 0) break;
            ++end;
        }
        if (end >= tokens.size() || !punct(end, ';')) continue;
        const std::string target = hlsl.substr(tokens[first].begin, tokens[i].end - tokens[first].begin);
        edits.Replace(tokens[op].begin, 2, "= " + target + " " + text(op) + " (");
        edits.Replace(tokens[end].begin, 0, ")");
        i = end;
    }
    return edits.Apply(hlsl, moves);
}

namespace {

// What a name declared const with a value holds ("static const float k =
// ..."): 2 a float, 1 an integer or bool, 0 not such a constant.
int ConstantKind(const std::string& text, const std::string& name) {
    auto word = [&](size_t at) {
        return at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '_');
    };
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
        const size_t end = at + name.size();
        if ((at > 0 && word(at - 1)) || word(end)) continue;
        const size_t eq = text.find_first_not_of(" \t", end);
        if (eq == std::string::npos || text[eq] != '=' || text.compare(eq, 2, "==") == 0) continue;
        const size_t lineStart = text.rfind('\n', at);
        const size_t from = lineStart == std::string::npos ? 0 : lineStart;
        const size_t c = text.find("const", from);
        if (c == std::string::npos || c >= at || word(c + 5) || (c > 0 && word(c - 1))) continue;
        size_t t = text.find_first_not_of(" \t", c + 5);
        if (t == std::string::npos) return 0;
        const bool floating = text.compare(t, 5, "float") == 0 || text.compare(t, 4, "half") == 0 ||
                              text.compare(t, 6, "double") == 0;
        return floating ? 2 : 1;
    }
    return 0;
}

// The operands of % that are constants, as RemainderOfConstantsAsFmod
// looks for them.
class ConstantOperands {
public:
    explicit ConstantOperands(const std::string& hlsl) : hlsl_(hlsl), tokenized_(hlsl) {}

    const std::vector<Token>& Tokens() const { return tokenized_.tokens; }
    bool Punct(size_t i, char c) const { return tokenized_.Punct(i, c); }

    // A literal or a named constant: 2 a float, 1 an integer, 0 neither.
    int Constant(size_t i) {
        const std::vector<Token>& tokens = Tokens();
        if (tokens[i].kind == Tok::Number) {
            const std::string t = tokenized_.Text(i);
            const bool hex = t.size() > 1 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X');
            return !hex && t.find_first_of(".eEfFhH") != std::string::npos ? 2 : 1;
        }
        if (tokens[i].kind != Tok::Ident) return 0;
        // Each name is looked up in the text once.
        const auto [known, added] = constantKinds_.try_emplace(tokenized_.Text(i), 0);
        if (added) known->second = ConstantKind(hlsl_, known->first);
        return known->second;
    }

    // A numeric type's name at i: 2 a float type, 1 an integer one, 0 none.
    int TypeKind(size_t i) const {
        if (Tokens()[i].kind != Tok::Ident) return 0;
        const std::string t = tokenized_.Text(i);
        for (const char* base : {"float", "half", "double", "int", "uint", "bool"}) {
            const size_t n = std::strlen(base);
            if (t.compare(0, n, base) != 0) continue;
            const std::string shape = t.substr(n);
            const bool known = shape.empty() || (shape.size() == 1 && shape[0] >= '1' && shape[0] <= '4');
            if (!known) return 0;
            return base[0] == 'f' || base[0] == 'h' || base[0] == 'd' ? 2 : 1;
        }
        return 0;
    }

    // (...) of constants, operators and casts: as Constant() says.
    int Group(size_t open, size_t close) {
        const std::vector<Token>& tokens = Tokens();
        int kind = 1;
        for (size_t k = open + 1; k < close; ++k) {
            if (tokens[k].kind == Tok::Punct) continue;
            const std::string t = tokenized_.Text(k);
            if (tokens[k].kind == Tok::Ident && (t == "float" || t == "half" || t == "double")) {
                kind = 2;
                continue;
            }
            if (tokens[k].kind == Tok::Ident && t == "int") continue;
            const int c = Constant(k);
            if (c == 0) return 0;
            kind = std::max(kind, c);
        }
        return kind;
    }

    // The other end of a parenthesis at i, going by step; tokens.size() if none.
    size_t Match(size_t i, int step) const {
        int depth = 0;
        for (size_t k = i; k < Tokens().size(); k += static_cast<size_t>(step)) {
            if (Punct(k, '(')) depth += step;
            if (Punct(k, ')')) depth -= step;
            if (depth == 0) return k;
            if (k == 0 && step < 0) break;
        }
        return Tokens().size();
    }

    // CONSTANT % [-]CONSTANT around the % at i, one of them a float, nothing
    // binding tighter around; a constant may be a parenthesised group of
    // them. False if it is not that; else its first and last tokens.
    bool Remainder(size_t i, size_t* first, size_t* last) {
        const std::vector<Token>& tokens = Tokens();
        size_t left = i - 1, right = i + 1;
        int leftKind = 0, rightKind = 0;
        // "float2(7.5, 1).x % 2.0": a swizzle of a constructor or a group.
        if (left >= 2 && Swizzle(left) && Punct(left - 1, '.') && Punct(left - 2, ')')) left -= 2;
        if (Punct(left, ')')) {
            const size_t open = Match(left, -1);
            if (open >= tokens.size()) return false;
            if (open > 0 && tokens[open - 1].kind == Tok::Ident) {
                // A constructor or an intrinsic of constants
                // ("float4(7.5, 1, 1, 1) % 2.0", "abs(-7.5) % 2.0") folds
                // too; fmod of a call that does not fold is the same number.
                const int arguments = Group(open, left);
                if (arguments == 0) return false;
                leftKind = std::max(TypeKind(open - 1), arguments);
                left = open - 1;
            } else {
                leftKind = Group(open, left);
                left = open;
            }
        } else {
            leftKind = Constant(left);
        }
        // "(float)15 % 4": a cast before the constant.
        if (leftKind != 0 && left >= 3 && Punct(left - 1, ')') && Punct(left - 3, '(') &&
            TypeKind(left - 2) != 0) {
            leftKind = std::max(leftKind, TypeKind(left - 2));
            left -= 3;
        }
        // "2 * 7.5 % 5.0" is "(2 * 7.5) % 5.0": the constants multiplied or
        // divided before the % are its left operand.
        while (leftKind != 0 && left >= 2 && (Punct(left - 1, '*') || Punct(left - 1, '/'))) {
            size_t before = left - 2;
            int kind = 0;
            if (Punct(before, ')')) {
                const size_t open = Match(before, -1);
                if (open >= tokens.size() || (open > 0 && tokens[open - 1].kind == Tok::Ident))
                    break;
                kind = Group(open, before);
                before = open;
            } else {
                kind = Constant(before);
            }
            if (kind == 0) break;
            leftKind = std::max(leftKind, kind);
            left = before;
        }
        if (Punct(right, '-') || Punct(right, '+')) ++right;
        if (right >= tokens.size()) return false;
        size_t rightEnd = right;
        // "% (float)2": a cast before the constant.
        if (Punct(right, '(') && right + 3 < tokens.size() && Punct(right + 2, ')') &&
            TypeKind(right + 1) != 0) {
            rightKind = TypeKind(right + 1);
            right += 3;
            rightEnd = right;
            if (Punct(right, '-') || Punct(right, '+')) ++right, ++rightEnd;
        }
        if (Punct(right, '(')) {
            rightEnd = Match(right, 1);
            if (rightEnd >= tokens.size()) return false;
            const int group = Group(right, rightEnd);
            rightKind = group == 0 ? 0 : std::max(rightKind, group);
        } else if (tokens[right].kind == Tok::Ident && Punct(right + 1, '(')) {
            // A constructor or an intrinsic of constants: "% abs(-2.0)".
            rightEnd = Match(right + 1, 1);
            if (rightEnd >= tokens.size()) return false;
            const int arguments = Group(right + 1, rightEnd);
            rightKind = arguments == 0 ? 0 : std::max({rightKind, TypeKind(right), arguments});
        } else {
            const int constant = Constant(right);
            rightKind = constant == 0 ? 0 : std::max(rightKind, constant);
        }
        if (Punct(rightEnd, ')')) {
            // "% float2(2, 2).x"
            if (rightEnd + 2 < tokens.size() && Punct(rightEnd + 1, '.') && Swizzle(rightEnd + 2))
                rightEnd += 2;
        }
        if (leftKind == 0 || rightKind == 0 || std::max(leftKind, rightKind) < 2) return false;
        if (!Unbound(&left) || Punct(rightEnd + 1, '.') || Punct(rightEnd + 1, '[') ||
            Punct(rightEnd + 1, '(')) {
            return false;
        }
        *first = left;
        *last = rightEnd;
        return true;
    }

private:
    // A swizzle's letters at i (".x", ".rgb").
    bool Swizzle(size_t i) const {
        if (Tokens()[i].kind != Tok::Ident) return false;
        const std::string t = tokenized_.Text(i);
        return t.size() <= 4 && (t.find_first_not_of("xyzw") == std::string::npos ||
                                 t.find_first_not_of("rgba") == std::string::npos);
    }

    // Takes a sign of its own (not a subtraction) before the left operand
    // with it; false if an operator binding tighter than % comes before.
    bool Unbound(size_t* at) const {
        const std::vector<Token>& tokens = Tokens();
        size_t left = *at;
        if (left > 0 && (Punct(left - 1, '-') || Punct(left - 1, '+'))) {
            const bool unary = left == 1 || (tokens[left - 2].kind == Tok::Punct &&
                                             !Punct(left - 2, ')') && !Punct(left - 2, ']'));
            if (unary) --left;
        }
        *at = left;
        if (left > 0 && (Punct(left - 1, '*') || Punct(left - 1, '/') || Punct(left - 1, '%') ||
                         Punct(left - 1, '.') || Punct(left - 1, '-') || Punct(left - 1, '+') ||
                         Punct(left - 1, '!') || Punct(left - 1, '~'))) {
            const bool binaryPlusMinus =
                (Punct(left - 1, '-') || Punct(left - 1, '+')) && left >= 2 &&
                (tokens[left - 2].kind != Tok::Punct || Punct(left - 2, ')') || Punct(left - 2, ']'));
            if (!binaryPlusMinus) return false;
        }
        return true;
    }

    const std::string& hlsl_;
    const TokenizedText tokenized_;
    std::unordered_map<std::string, int> constantKinds_;
};

}  // namespace

std::string RemainderOfConstantsAsFmod(const std::string& hlsl, std::vector<TextMove>* moves) {
    if (hlsl.find('%') == std::string::npos) return hlsl;
    ConstantOperands operands(hlsl);
    const std::vector<Token>& tokens = operands.Tokens();
    TextEdits edits;
    for (size_t i = 1; i + 1 < tokens.size(); ++i) {
        if (!operands.Punct(i, '%') || operands.Punct(i + 1, '=')) continue;
        size_t left = 0, rightEnd = 0;
        if (!operands.Remainder(i, &left, &rightEnd)) continue;
        // 7.5 % 5.0 % 2.0: the second takes the first's result, which is no literal.
        if (!edits.empty() && tokens[left].begin < edits.End()) continue;
        edits.Replace(tokens[left].begin, 0, "fmod(");
        edits.Replace(tokens[i].begin, 1, ",");
        edits.Replace(tokens[rightEnd].end, 0, ")");
        i = rightEnd;
    }
    return edits.Apply(hlsl, moves);
}

namespace {

// An integer literal's value below 2^33 (decimal, hex or octal, u / l
// suffixes); false for anything else (floats, larger values).
bool IntegerLiteral(const std::string& t, uint64_t* value, bool* isUnsigned) {
    const size_t suffix = std::min(t.find_first_of("uUlL"), t.size());
    if (t.find_first_not_of("uUlL", suffix) != std::string::npos) return false;
    const bool hex = t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X');
    const bool octal = !hex && t.size() > 1 && t[0] == '0';
    const int base = hex ? 16 : octal ? 8 : 10;
    uint64_t v = 0;
    size_t k = hex ? 2 : 0;
    if (k >= suffix) return false;
    for (; k < suffix && v < (uint64_t{1} << 33); ++k) {
        const char c = t[k];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : 99;
        if (digit >= base) return false;
        v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    if (k < suffix) return false;
    *value = v;
    *isUnsigned = t.find_first_of("uU") != std::string::npos;
    return true;
}

bool Large(uint64_t v) { return v >= (uint64_t{1} << 31) && v < (uint64_t{1} << 32); }

std::string UnfoldedLiteral(uint64_t v) {
    std::string text = "(";
    text += std::to_string(v);
    text += "u + ";
    text += kUnfoldedUintZero;
    text += ")";
    return text;
}

}  // namespace

std::string UnsignedLiteralsUnfolded(const std::string& hlsl, std::vector<TextMove>* moves) {
    // Most shaders have no u literal at all: a word that starts with a
    // digit and has a u.
    bool any = false;
    for (size_t at = hlsl.find_first_of("uU"); at != std::string::npos && !any;
         at = hlsl.find_first_of("uU", at + 1)) {
        size_t start = at;
        while (start > 0 && std::isalnum(static_cast<unsigned char>(hlsl[start - 1]))) --start;
        any = std::isdigit(static_cast<unsigned char>(hlsl[start])) != 0;
    }
    if (!any) return hlsl;
    const TokenizedText tokenized(hlsl);
    const std::vector<Token>& tokens = tokenized.tokens;
    auto punct = [&](size_t i, const char* set) {
        return i < tokens.size() && tokens[i].kind == Tok::Punct &&
               std::string_view(set).find(hlsl[tokens[i].begin]) != std::string_view::npos;
    };
    // An operator of one character, not the start of +=, ++, ...
    auto op = [&](size_t i, const char* set) {
        return punct(i, set) && !(i + 1 < tokens.size() && tokens[i + 1].begin == tokens[i].end &&
                                  punct(i + 1, "=+-"));
    };
    auto literal = [&](size_t i, uint64_t* v, bool* u) {
        return i < tokens.size() && tokens[i].kind == Tok::Number &&
               IntegerLiteral(tokenized.Text(i), v, u);
    };
    TextEdits edits;
    for (size_t i = 0; i < tokens.size(); ++i) {
        uint64_t value = 0;
        bool isUnsigned = false;
        if (!literal(i, &value, &isUnsigned)) continue;
        // A case label must stay a constant.
        if (i > 0 && tokenized.Text(i - 1) == "case") continue;
        // Constant arithmetic with a u literal of 2^31 or more folds in 32
        // bits, unsigned, as Direct3D 9's compiler folds it: "3000000000u * 2"
        // is 1705032704, "0xFFFFFFFFu + 2" is 1. Only a chain of literals
        // that nothing around binds tighter: the operators of one precedence
        // after an opening (or after + - for * / %).
        const bool afterOpening = i == 0 || punct(i - 1, "(,=?:{[;") || tokenized.Text(i - 1) == "return";
        const bool afterSum = i > 0 && op(i - 1, "+-");
        const bool multiplicative = op(i + 1, "*/%");
        const bool additive = op(i + 1, "+-");
        size_t last = i;
        uint64_t folded = value & 0xFFFFFFFFu;
        bool anyUnsigned = isUnsigned, anyLarge = isUnsigned && Large(value), ok = true;
        if ((multiplicative && (afterOpening || afterSum)) || (additive && afterOpening)) {
            const char* ops = multiplicative ? "*/%" : "+-";
            uint64_t v = 0;
            bool u = false;
            while (ok && op(last + 1, ops) && literal(last + 2, &v, &u) && v < (uint64_t{1} << 32)) {
                const char o = hlsl[tokens[last + 1].begin];
                const uint32_t a = static_cast<uint32_t>(folded), b = static_cast<uint32_t>(v);
                if ((o == '/' || o == '%') && b == 0) ok = false;
                else folded = o == '*' ? uint32_t(a * b) : o == '/' ? a / b : o == '%' ? a % b
                                       : o == '+' ? uint32_t(a + b) : uint32_t(a - b);
                anyUnsigned |= u;
                anyLarge |= u && Large(v);
                last += 2;
            }
            // What follows must not bind tighter than the chain.
            if (punct(last + 1, ".[") || (additive && punct(last + 1, "*/%"))) ok = false;
        }
        if (ok && last > i && anyUnsigned && anyLarge && value < (uint64_t{1} << 32)) {
            const std::string result = Large(folded) ? UnfoldedLiteral(folded)
                                                     : std::to_string(folded) + "u";
            edits.Replace(tokens[i].begin, tokens[last].end - tokens[i].begin, result);
            i = last;
            continue;
        }
        if (!isUnsigned || !Large(value)) continue;
        edits.Replace(tokens[i].begin, 0, "(");
        edits.Replace(tokens[i].end, 0, std::string(" + ") + kUnfoldedUintZero + ")");
    }
    return edits.Apply(hlsl, moves);
}

std::string RegistersOfTheStage(const std::string& hlsl, const std::string& profile,
                                std::vector<TextMove>* moves) {
    if (hlsl.find("register") == std::string::npos) return hlsl;
    const TokenizedText tokenized(hlsl);
    const std::vector<Token>& tokens = tokenized.tokens;
    auto text = [&](size_t i) { return tokenized.Text(i); };
    auto punct = [&](size_t i, char c) { return tokenized.Punct(i, c); };
    auto lower = [](std::string w) {
        for (char& c : w) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return w;
    };
    const std::string stage = profile.substr(0, 2);
    TextEdits edits;
    for (size_t i = 1; i + 5 < tokens.size(); ++i) {
        // : register ( PROFILE , REGISTER ) or : register ( PROFILE , REGISTER . COMPONENT )
        if (!punct(i - 1, ':') || tokens[i].kind != Tok::Ident || text(i) != "register" ||
            !punct(i + 1, '(') || tokens[i + 2].kind != Tok::Ident || !punct(i + 3, ',') ||
            tokens[i + 4].kind != Tok::Ident) {
            continue;
        }
        const bool component = i + 7 < tokens.size() && punct(i + 5, '.') &&
                               tokens[i + 6].kind == Tok::Ident && punct(i + 7, ')');
        if (!component && !punct(i + 5, ')')) continue;
        const size_t close = component ? i + 7 : i + 5;
        const std::string named = lower(text(i + 2));
        if (named != stage && named != profile) {
            edits.Replace(tokens[i - 1].begin, tokens[close].end - tokens[i - 1].begin, "");
        } else if (component) {
            // "register(ps, c0.y)": the component as packoffset(c0.y) gives
            // it on any global (stage 6 keeps it there).
            edits.Replace(tokens[i].begin, tokens[i + 4].begin - tokens[i].begin, "packoffset(");
        } else {
            edits.Replace(tokens[i + 2].begin, tokens[i + 4].begin - tokens[i + 2].begin, "");
        }
    }
    return edits.Apply(hlsl, moves);
}

}  // namespace fx
