// Stage 2's last step: the expanded tokens within the nesting depth and the
// name length every later stage and glslang can take, and no byte outside
// ASCII in the code (2_preprocess.h). One pass over the tokens, no
// recursion: it runs before anything that recurses.
#include "platform/fx/2_preprocess/2_preprocess.h"

#include <cstdio>
#include <string>

namespace fx {

namespace {

bool IsControlWord(std::string_view w) {
    return w == "if" || w == "else" || w == "for" || w == "while" || w == "do" || w == "switch";
}

bool IsPrefixOperator(char c) { return c == '-' || c == '+' || c == '!' || c == '~'; }

// The first character of a binary operator (&&, <=, << are two glued tokens).
bool IsBinaryOperator(char c) {
    return c == '+' || c == '-' || c == '*' || c == '/' || c == '%' || c == '<' || c == '>' ||
           c == '&' || c == '|' || c == '^' || c == '=' || c == '!';
}

// An '=' that assigns: not one of ==, <=, >=, != (the tokens are glued).
bool IsAssignment(const std::vector<SourceToken>& tokens, const TokenStream& s, size_t i) {
    auto punct = [&](size_t at) {
        std::string_view text = s.Text(tokens[at]);
        return tokens[at].kind == Tok::Punct && text.size() == 1 ? text[0] : '\0';
    };
    if (i > 0 && (tokens[i].flags & kGlued) != 0) {
        char before = punct(i - 1);
        if (before == '=' || before == '<' || before == '>' || before == '!') return false;
    }
    return !(i + 1 < tokens.size() && (tokens[i + 1].flags & kGlued) != 0 && punct(i + 1) == '=');
}

}  // namespace

void CheckNestingAndNames(PreprocessedEffect* effect) {
    const TokenStream& s = effect->stream;
    const std::vector<SourceToken>& tokens = s.tokens;
    int brackets = 0;   // ( [ { open
    int statement = 0;  // what nests without brackets since the last ; { }
    int prefixes = 0;   // prefix operators in a row
    int casts = 0;      // "(float)" in a row
    int chain = 0;      // accessors in a row: v.xyzw.xyzw, a[0][0]
    int operators = 0;  // binary operators in the expression: a + b * c
    bool operand = false;
    // The brackets open, innermost last, an initializer list's brace as
    // 'L': a comma there ends a list element; one inside ( ), [ ] or a
    // block's { } is an operator or an argument.
    std::string open;
    auto punct = [&](size_t at) {
        std::string_view text = at < tokens.size() ? s.Text(tokens[at]) : std::string_view();
        return at < tokens.size() && tokens[at].kind == Tok::Punct && text.size() == 1 ? text[0]
                                                                                       : '\0';
    };
    auto ident = [&](size_t at) { return at < tokens.size() && tokens[at].kind == Tok::Ident; };
    // "( NAME )" before an operand: a cast, which nests like a prefix operator.
    auto castName = [&](size_t at) {
        return ident(at) && at > 0 && punct(at - 1) == '(' && punct(at + 1) == ')' &&
               (ident(at + 2) || punct(at + 2) == '(' ||
                (at + 2 < tokens.size() && tokens[at + 2].kind == Tok::Number));
    };
    for (size_t i = 0; i < tokens.size(); ++i) {
        const SourceToken& t = tokens[i];
        const std::string_view text = s.Text(t);
        std::string error;
        if (t.kind == Tok::Ident || t.kind == Tok::Number) {
            operand = true;
            prefixes = 0;
            if (castName(i)) {
                ++casts;
            } else if (!(i > 0 && punct(i - 1) == '.')) {
                casts = 0;
            }
            if (t.kind == Tok::Ident && IsControlWord(text)) ++statement, operand = false;
            if (text.size() > kMaxNameLength) {
                error = std::string(t.kind == Tok::Ident ? "a name" : "a number") + " of " +
                        std::to_string(text.size()) + " characters, past the limit of " +
                        std::to_string(kMaxNameLength);
            }
        } else if (t.kind == Tok::Punct && !text.empty() &&
                   static_cast<unsigned char>(text[0]) >= 0x80) {
            // Text that is not ASCII belongs in comments and strings.
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(text[0]));
            error = std::string("a character the language does not have (byte ") + hex +
                    "): text that is not ASCII belongs in comments and strings";
        } else if (t.kind == Tok::Punct && text.size() == 1) {
            const char c = text[0];
            if (c == ',' && (open.empty() || open.back() == 'L')) operators = 0;
            if (c == ',' && !open.empty() && open.back() != 'L') ++operators;
            if (operand && IsBinaryOperator(c)) ++operators;
            const bool list = c == '{' && (punct(i - 1) == '=' ||
                                           ((punct(i - 1) == '{' || punct(i - 1) == ',') &&
                                            !open.empty() && open.back() == 'L'));
            if (c == '(' || c == '[' || c == '{') ++brackets, open.push_back(list ? 'L' : c);
            if ((c == ')' || c == ']' || c == '}') && !open.empty()) open.pop_back();
            if (c == ')' || c == ']' || c == '}') --brackets;
            if (c == ';' || c == '{' || c == '}') statement = 0, casts = 0, chain = 0;
            if (c == ';' || c == '{' || c == '}') operators = 0;
            if (c == '.' || c == '[') {
                const char before = punct(i - 1);
                const bool continued = before == ']' || before == ')' ||
                                       (c == '.' && ident(i - 1) && i >= 2 && punct(i - 2) == '.');
                chain = continued ? chain + 1 : 1;
            }
            if (c == '?' || (c == '=' && IsAssignment(tokens, s, i))) ++statement;
            prefixes = !operand && IsPrefixOperator(c) ? prefixes + 1 : 0;
            operand = c == ')' || c == ']';
        }
        if (error.empty() && brackets + statement + prefixes + casts + chain > kMaxNestingDepth) {
            error = "code nested more than " + std::to_string(kMaxNestingDepth) +
                    " levels deep here (brackets, blocks, statements and operators within one "
                    "another)";
        }
        if (error.empty() && operators > kMaxOperatorsInExpression) {
            error = "an expression of more than " + std::to_string(kMaxOperatorsInExpression) +
                    " operators here: split it into statements";
        }
        if (error.empty()) continue;
        if (effect->messages.size() > kMaxParseMessages) effect->messages.pop_back();
        effect->messages.push_back({i, ErrorAt(s.Pos(t), error)});
        effect->stopped = true;
        effect->stream.tokens.resize(i);
        return;
    }
}

}  // namespace fx
