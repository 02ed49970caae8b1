// The one tokenizer of the effect compiler (platform/fx internal): the
// preprocessor reads every file through it, and re-reads the text a macro
// paste makes with it.
//
// It splits text into identifiers, numbers, strings, single punctuation
// characters and whole preprocessor lines (a '#' first on its line, to the
// end of the logical line: spliced lines, comments and strings belong to
// it), and skips blanks, comments and spliced line ends. Tokens are byte
// ranges of the text; LineIndex turns an offset into a line and column.
// Hostile input costs linear time: every call advances.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fx/shared/message.h"

namespace fx {

enum class Tok : uint8_t { End, Ident, Number, String, Punct, Directive };

struct Token {
    Tok kind = Tok::End;
    size_t begin = 0;
    size_t end = 0;
};

struct TokenizerOptions {
    // A '#' first on its line starts a Directive token; off for the inside
    // of a directive line, where '#' is punctuation.
    bool directives = true;
};

class Tokenizer {
public:
    // problem, when given, hears of an unterminated comment or string:
    // (offset where it starts, message).
    using ProblemFn = std::function<void(size_t offset, const char* message)>;

    explicit Tokenizer(std::string_view text, ProblemFn problem = {},
                       TokenizerOptions options = {})
        : text_(text), problem_(std::move(problem)), options_(options) {}

    Token Next();
    // Starts again at the beginning of another text.
    void Restart(std::string_view text) {
        text_ = text;
        pos_ = 0;
        lineStart_ = true;
    }

private:
    bool At(size_t i, char c) const { return i < text_.size() && text_[i] == c; }
    void SkipBlanks();
    void SkipLineComment();
    void SkipBlockComment();
    void SkipString(char quote);
    void SkipNumber();
    void SkipDirective();
    void Report(size_t offset, const char* message) {
        if (problem_) problem_(offset, message);
    }

    std::string_view text_;
    ProblemFn problem_;
    TokenizerOptions options_;
    size_t pos_ = 0;
    bool lineStart_ = true;
};

// Every token of text up to the end (the End token left out).
std::vector<Token> Tokenize(std::string_view text, TokenizerOptions options = {});

// A text with its tokens, for the passes that read a text token by token
// and edit it by offsets.
struct TokenizedText {
    explicit TokenizedText(const std::string& source) : text(source), tokens(Tokenize(source)) {}
    std::string Text(size_t i) const {
        return text.substr(tokens[i].begin, tokens[i].end - tokens[i].begin);
    }
    // Token i is the punctuation character c (false past the end).
    bool Punct(size_t i, char c) const {
        return i < tokens.size() && tokens[i].kind == Tok::Punct && text[tokens[i].begin] == c;
    }
    const std::string& text;
    const std::vector<Token> tokens;
};

// Line and column (1-based) of byte offsets in one text.
class LineIndex {
public:
    explicit LineIndex(std::string_view text);
    SourcePos At(size_t offset) const;
    // The same, in constant time for offsets that grow from call to call:
    // *line (0 to begin with) remembers where the last one was.
    SourcePos At(size_t offset, size_t* line) const;

private:
    std::vector<size_t> lineStarts_;
};

// Character classes and case-insensitive comparison as HLSL and effect files
// use them (ASCII only).
char Lower(char c);
bool IEquals(std::string_view a, std::string_view b);
std::string ToLower(std::string_view s);
bool IsIdentStart(char c);
bool IsDigit(char c);
bool IsIdentChar(char c);

// Token text for messages: short, and printable whatever bytes the file holds.
std::string Quote(std::string_view text);

// Appends the value of a string literal written with its quotes: \\ and \"
// are one character each (a Windows path writes "maps\\sky.dds"); other
// backslashes stay as written.
void AppendStringValue(std::string_view quoted, std::string* text);

}  // namespace fx
