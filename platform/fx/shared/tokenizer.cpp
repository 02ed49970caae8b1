// The tokenizer every stage of the effect compiler reads text with.
#include "platform/fx/shared/tokenizer.h"

#include <algorithm>

namespace fx {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

void AppendStringValue(std::string_view quoted, std::string* text) {
    for (size_t c = 1; c + 1 < quoted.size(); ++c) {
        if (quoted[c] == '\\' && c + 2 < quoted.size() &&
            (quoted[c + 1] == '\\' || quoted[c + 1] == '"'))
            ++c;
        *text += quoted[c];
    }
}

bool IEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string ToLower(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = Lower(c);
    return r;
}

bool IsIdentStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || IsDigit(c); }

std::string Quote(std::string_view text) {
    constexpr size_t kMax = 40;
    std::string r = "'";
    for (size_t i = 0; i < text.size() && i < kMax; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        r += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
    if (text.size() > kMax) r += "...";
    r += "'";
    return r;
}

Token Tokenizer::Next() {
    SkipBlanks();
    Token t;
    t.begin = pos_;
    if (pos_ >= text_.size()) {
        t.kind = Tok::End;
        t.end = pos_;
        return t;
    }
    char c = text_[pos_];
    if (c == '#' && lineStart_ && options_.directives) {
        t.kind = Tok::Directive;
        SkipDirective();
    } else if (IsIdentStart(c)) {
        t.kind = Tok::Ident;
        while (pos_ < text_.size() && IsIdentChar(text_[pos_])) ++pos_;
    } else if (IsDigit(c) || (c == '.' && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1]))) {
        t.kind = Tok::Number;
        SkipNumber();
    } else if (c == '"') {
        t.kind = Tok::String;
        SkipString(c);
    } else {
        t.kind = Tok::Punct;
        ++pos_;
    }
    lineStart_ = false;
    t.end = pos_;
    return t;
}

void Tokenizer::SkipBlanks() {
    while (pos_ < text_.size()) {
        char c = text_[pos_];
        if (c == '\n') {
            lineStart_ = true;
            ++pos_;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++pos_;
        } else if (c == '\\' &&
                   (At(pos_ + 1, '\n') || (At(pos_ + 1, '\r') && At(pos_ + 2, '\n')))) {
            pos_ += At(pos_ + 1, '\n') ? 2 : 3;  // a spliced line
        } else if (c == '/' && (At(pos_ + 1, '/') || At(pos_ + 1, '*'))) {
            if (At(pos_ + 1, '/')) {
                SkipLineComment();
            } else {
                SkipBlockComment();
            }
        } else {
            break;
        }
    }
}

// A backslash at the end of the line splices the next line into the
// comment, as the C preprocessor splices lines before it removes comments.
void Tokenizer::SkipLineComment() {
    while (pos_ < text_.size() && text_[pos_] != '\n') {
        if (text_[pos_] == '\\' && At(pos_ + 1, '\n')) {
            pos_ += 2;
        } else if (text_[pos_] == '\\' && At(pos_ + 1, '\r') && At(pos_ + 2, '\n')) {
            pos_ += 3;
        } else {
            ++pos_;
        }
    }
}

void Tokenizer::SkipBlockComment() {
    size_t start = pos_;
    size_t close = text_.find("*/", pos_ + 2);
    if (close == std::string_view::npos) {
        Report(start, "unterminated comment");
        pos_ = text_.size();
    } else {
        pos_ = close + 2;
    }
}

// A string ends at its closing quote; a line end or the end of the text
// before that leaves it unterminated.
void Tokenizer::SkipString(char quote) {
    size_t start = pos_++;
    while (pos_ < text_.size()) {
        char c = text_[pos_];
        if (c == quote) {
            ++pos_;
            return;
        }
        if (c == '\n') break;
        if (c == '\\' && pos_ + 1 < text_.size() && text_[pos_ + 1] != '\n') ++pos_;
        ++pos_;
    }
    Report(start, "unterminated string");
}

// A '.' ends the number where a swizzle follows it ("1.xxx", "0.5.rr",
// "0x10.x"): a hex number's, a second '.', or one before a swizzle letter
// (no suffix or exponent starts with one).
void Tokenizer::SkipNumber() {
    bool hex = text_[pos_] == '0' && (At(pos_ + 1, 'x') || At(pos_ + 1, 'X'));
    bool dot = false;
    while (pos_ < text_.size()) {
        char c = text_[pos_];
        if (c == '.' &&
            (hex || dot ||
             (pos_ + 1 < text_.size() &&
              std::string_view("xyzwrgba").find(text_[pos_ + 1]) != std::string_view::npos))) {
            break;
        }
        dot = dot || c == '.';
        if (IsIdentChar(c) || c == '.') {
            ++pos_;
        } else if ((c == '+' || c == '-') && !hex &&
                   (text_[pos_ - 1] == 'e' || text_[pos_ - 1] == 'E')) {
            ++pos_;
        } else {
            break;
        }
    }
}

// To the end of the logical line: spliced lines, comments and strings
// belong to the directive.
void Tokenizer::SkipDirective() {
    while (pos_ < text_.size()) {
        char c = text_[pos_];
        if (c == '\n') return;
        if (c == '\\' && At(pos_ + 1, '\n')) {
            pos_ += 2;
        } else if (c == '\\' && At(pos_ + 1, '\r') && At(pos_ + 2, '\n')) {
            pos_ += 3;
        } else if (c == '/' && At(pos_ + 1, '/')) {
            SkipLineComment();
        } else if (c == '/' && At(pos_ + 1, '*')) {
            SkipBlockComment();
        } else if (c == '"') {
            SkipString('"');
        } else {
            ++pos_;
        }
    }
}

std::vector<Token> Tokenize(std::string_view text, TokenizerOptions options) {
    std::vector<Token> tokens;
    Tokenizer tokenizer(text, {}, options);
    for (Token t = tokenizer.Next(); t.kind != Tok::End; t = tokenizer.Next()) tokens.push_back(t);
    return tokens;
}

LineIndex::LineIndex(std::string_view text) {
    lineStarts_.push_back(0);
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') lineStarts_.push_back(i + 1);
}

SourcePos LineIndex::At(size_t offset, size_t* line) const {
    size_t i = *line < lineStarts_.size() ? *line : 0;
    if (lineStarts_[i] > offset) return At(offset);
    while (i + 1 < lineStarts_.size() && lineStarts_[i + 1] <= offset) ++i;
    *line = i;
    SourcePos p;
    p.line = static_cast<int>(i + 1);
    p.column = static_cast<int>(offset - lineStarts_[i] + 1);
    return p;
}

SourcePos LineIndex::At(size_t offset) const {
    auto it = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
    size_t line = static_cast<size_t>(it - lineStarts_.begin());  // >= 1
    SourcePos p;
    p.line = static_cast<int>(line);
    p.column = static_cast<int>(offset - lineStarts_[line - 1] + 1);
    return p;
}

}  // namespace fx
