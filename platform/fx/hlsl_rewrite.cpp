// Rewrites on HLSL text: a tokenizer that knows comments, strings and
// preprocessor lines, and the two rewrites of hlsl_rewrite.h on its tokens.

#include "platform/fx/hlsl_rewrite.h"

#include <cctype>
#include <cstddef>

namespace fx {
namespace {

struct Token {
    size_t begin = 0;
    size_t end = 0;
    bool identifier = false;
    char punct = 0;  // the character of a one-character token
};

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Everything outside comments, strings and preprocessor lines. hidden, when
// given, marks the characters of those (line ends excepted).
std::vector<Token> Tokenize(const std::string& s, std::vector<bool>* hidden = nullptr) {
    std::vector<Token> tokens;
    if (hidden != nullptr) hidden->assign(s.size(), false);
    auto hide = [&](size_t from, size_t to) {
        if (hidden == nullptr) return;
        for (size_t k = from; k < to && k < s.size(); ++k) {
            if (s[k] != '\n') (*hidden)[k] = true;
        }
    };
    size_t i = 0;
    bool lineStart = true;
    while (i < s.size()) {
        char c = s[i];
        if (c == '\n') {
            lineStart = true;
            ++i;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (c == '#' && lineStart) {
            // To the end of the line, following backslash continuations.
            size_t from = i;
            while (i < s.size() && s[i] != '\n') {
                if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
                ++i;
            }
            hide(from, i);
            continue;
        }
        lineStart = false;
        if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
            size_t from = i;
            while (i < s.size() && s[i] != '\n') ++i;
            hide(from, i);
            continue;
        }
        if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            size_t from = i;
            size_t close = s.find("*/", i + 2);
            i = close == std::string::npos ? s.size() : close + 2;
            hide(from, i);
            // A line end inside the comment is hidden too: text put there
            // would be commented out.
            if (hidden != nullptr) {
                for (size_t k = from; k < i; ++k) (*hidden)[k] = true;
            }
            continue;
        }
        if (c == '"' || c == '\'') {
            size_t j = i + 1;
            while (j < s.size() && s[j] != c && s[j] != '\n') j += s[j] == '\\' ? 2 : 1;
            size_t from = i;
            i = std::min(j + 1, s.size());
            hide(from, i);
            continue;
        }
        Token t;
        t.begin = i;
        if (IsIdentStart(c)) {
            while (i < s.size() && IsIdentChar(s[i])) ++i;
            t.identifier = true;
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && i + 1 < s.size() &&
                    std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            while (i < s.size() && (IsIdentChar(s[i]) || s[i] == '.')) ++i;
        } else {
            t.punct = c;
            ++i;
        }
        t.end = i;
        tokens.push_back(t);
    }
    return tokens;
}

std::string Text(const std::string& s, const Token& t) {
    return s.substr(t.begin, t.end - t.begin);
}

bool IsQualifier(const std::string& word) {
    return word == "uniform" || word == "extern" || word == "const" || word == "shared" ||
           word == "volatile" || word == "row_major" || word == "column_major" || word == "in";
}

// Replaces [begin, end) with spaces, keeping line ends.
void Blank(std::string* s, size_t begin, size_t end) {
    for (size_t i = begin; i < end && i < s->size(); ++i) {
        if ((*s)[i] != '\n' && (*s)[i] != '\r') (*s)[i] = ' ';
    }
}

// "int", "bool3", "uint4x4", ... -> the length of the base name; 0 otherwise.
// (half is a float here, and as long as bool and uint.)
size_t IntegerTypeBase(const std::string& type) {
    for (const char* base : {"int", "uint", "bool", "dword"}) {
        std::string b = base;
        if (type.compare(0, b.size(), b) != 0) continue;
        std::string rest = type.substr(b.size());
        auto dim = [](char c) { return c >= '1' && c <= '4'; };
        if (rest.empty() || (rest.size() == 1 && dim(rest[0])) ||
            (rest.size() == 3 && dim(rest[0]) && rest[1] == 'x' && dim(rest[2]))) {
            return b.size();
        }
    }
    return 0;
}

// 1-based line and column of a byte offset.
std::pair<int, int> LineColumn(const std::string& s, size_t offset) {
    int line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < offset && i < s.size(); ++i) {
        if (s[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return {line, static_cast<int>(offset - lineStart) + 1};
}

}  // namespace

void UndoColumnShifts(const std::vector<ColumnShift>& shifts, int line, int* column) {
    for (auto it = shifts.rbegin(); it != shifts.rend(); ++it) {
        if (it->line != line || *column < it->column) continue;
        *column = *column >= it->column + it->delta ? *column - it->delta : it->column;
    }
}

std::string FloatIntegerGlobals(const std::string& hlsl, std::vector<ColumnShift>* shifts) {
    std::vector<Token> tokens = Tokenize(hlsl);
    std::vector<std::pair<size_t, size_t>> replace;  // begin, length of the base type name
    int depth = 0;
    bool statementStart = true;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.punct == '{' || t.punct == '(' || t.punct == '[') {
            ++depth;
            statementStart = false;
            continue;
        }
        if (t.punct == '}' || t.punct == ')' || t.punct == ']') {
            if (depth > 0) --depth;
            statementStart = depth == 0 && t.punct == '}';
            continue;
        }
        if (t.punct == ';') {
            if (depth == 0) statementStart = true;
            continue;
        }
        if (depth != 0 || !statementStart) continue;
        statementStart = false;
        size_t j = i;
        bool isStatic = false;
        while (j < tokens.size() && tokens[j].identifier) {
            std::string word = Text(hlsl, tokens[j]);
            if (word == "static" || word == "typedef" || word == "struct") isStatic = true;
            if (!IsQualifier(word) && word != "static") break;
            ++j;
        }
        if (isStatic || j + 2 >= tokens.size() || !tokens[j].identifier ||
            !tokens[j + 1].identifier || tokens[j + 2].punct == '(') {
            continue;
        }
        size_t base = IntegerTypeBase(Text(hlsl, tokens[j]));
        if (base > 0) replace.emplace_back(tokens[j].begin, base);
    }
    std::string out = hlsl;
    for (auto it = replace.rbegin(); it != replace.rend(); ++it) {
        // "dword" keeps its length with a space; "int" grows by one.
        out.replace(it->first, it->second, it->second == 5 ? "half " : "half");
    }
    if (shifts != nullptr) {
        // "int" -> "half": one character more after the "hal" (in the
        // rewritten text, where earlier ones on the line count too).
        int grown = 0;
        int lastLine = 0;
        for (const auto& [begin, length] : replace) {
            if (length != 3) continue;
            auto [line, column] = LineColumn(hlsl, begin);
            if (line != lastLine) grown = 0;
            shifts->push_back({line, column + grown + 3, 1});
            ++grown;
            lastLine = line;
        }
    }
    return out;
}

bool BindUniformArguments(const std::string& hlsl, const std::string& entry,
                          const std::vector<std::string>& arguments, std::string* out,
                          std::string* error, std::vector<ColumnShift>* shifts) {
    std::vector<bool> hidden;
    std::vector<Token> tokens = Tokenize(hlsl, &hidden);
    int depth = 0;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.punct == '{' || t.punct == '(' || t.punct == '[') ++depth;
        if ((t.punct == '}' || t.punct == ')' || t.punct == ']') && depth > 0) --depth;
        if (depth != 0 || !t.identifier || i == 0 || !tokens[i - 1].identifier ||
            i + 1 >= tokens.size() || tokens[i + 1].punct != '(' || Text(hlsl, t) != entry) {
            continue;
        }
        // The parameter list, split at its own commas.
        size_t open = i + 1;
        size_t close = open;
        int nest = 0;
        std::vector<std::pair<size_t, size_t>> params;  // token ranges
        std::vector<size_t> commas;
        size_t paramStart = open + 1;
        for (size_t j = open; j < tokens.size(); ++j) {
            char p = tokens[j].punct;
            if (p == '(' || p == '[' || p == '{') ++nest;
            if (p == ')' || p == ']' || p == '}') --nest;
            if (nest == 1 && p == ',') {
                params.emplace_back(paramStart, j);
                commas.push_back(j);
                paramStart = j + 1;
            }
            if (nest == 0) {
                close = j;
                break;
            }
        }
        if (close == open) break;
        if (paramStart < close) params.emplace_back(paramStart, close);
        // A definition, not a prototype or a call: a body or a semantic follows.
        if (close + 1 >= tokens.size() ||
            (tokens[close + 1].punct != '{' && tokens[close + 1].punct != ':')) {
            continue;
        }

        std::string decls;
        std::string result = hlsl;
        std::vector<bool> kept;
        size_t used = 0;
        for (const auto& [first, last] : params) {
            bool isUniform = false;
            size_t nameToken = last;  // the last identifier before ':', '=' or '['
            std::vector<size_t> typeTokens;
            for (size_t k = first; k < last; ++k) {
                char p = tokens[k].punct;
                if (p == ':' || p == '=' || p == '[') break;
                if (!tokens[k].identifier) continue;
                std::string word = Text(hlsl, tokens[k]);
                if (word == "uniform") isUniform = true;
                if (IsQualifier(word)) continue;
                if (nameToken != last) typeTokens.push_back(nameToken);
                nameToken = k;
            }
            kept.push_back(!isUniform);
            if (!isUniform) continue;
            if (nameToken == last || typeTokens.empty()) {
                *error = "cannot read a uniform parameter of '" + entry + "'";
                return false;
            }
            if (used >= arguments.size()) {
                *error = "'" + entry + "' has more uniform parameters than the " +
                         std::to_string(arguments.size()) +
                         " arguments of the compile statement";
                return false;
            }
            std::string type = hlsl.substr(tokens[typeTokens.front()].begin,
                                           tokens[typeTokens.back()].end -
                                               tokens[typeTokens.front()].begin);
            decls += "static const " + type + " " + Text(hlsl, tokens[nameToken]) + " = " +
                     arguments[used++] + "; ";
            Blank(&result, tokens[first].begin, tokens[last - 1].end);
        }
        if (used != arguments.size()) {
            *error = "the compile statement gives " + std::to_string(arguments.size()) +
                     " arguments, but '" + entry + "' has " + std::to_string(used) +
                     " uniform parameters";
            return false;
        }
        // Commas: only the one just before each kept parameter after the first kept one.
        bool seenKept = false;
        for (size_t p = 0; p < params.size(); ++p) {
            if (p > 0) {
                bool keepComma = kept[p] && seenKept;
                const Token& comma = tokens[commas[p - 1]];
                if (!keepComma) Blank(&result, comma.begin, comma.end);
            }
            if (kept[p]) seenKept = true;
        }
        // The declarations go at the end of the line before the function,
        // where no column of the file moves, when that line ends a statement
        // outside any comment or preprocessor line; otherwise just before the
        // function (which moves the columns after it on its line).
        size_t start = i - 1;
        while (start > 0 && tokens[start - 1].identifier) --start;
        size_t lineStart = hlsl.rfind('\n', tokens[start].begin == 0 ? 0 : tokens[start].begin - 1);
        bool atLineEnd = false;
        if (lineStart != std::string::npos && tokens[start].begin > 0) {
            const bool boundary = start == 0 || tokens[start - 1].punct == ';' ||
                                  tokens[start - 1].punct == '}';
            const bool before = start == 0 || tokens[start - 1].end <= lineStart;
            const bool visible = !hidden[lineStart] && (lineStart == 0 || !hidden[lineStart - 1]) &&
                                 (lineStart == 0 || hlsl[lineStart - 1] != '\\');
            atLineEnd = boundary && before && visible;
        }
        if (atLineEnd) {
            if (!decls.empty()) decls.pop_back();  // the trailing space
            // Before a carriage return, which the preprocessor also counts as a line end.
            size_t at = lineStart > 0 && hlsl[lineStart - 1] == '\r' ? lineStart - 1 : lineStart;
            result.insert(at, " " + decls);
        } else {
            result.insert(tokens[start].begin, decls);
            if (shifts != nullptr) {
                auto [line, column] = LineColumn(hlsl, tokens[start].begin);
                shifts->push_back({line, column, static_cast<int>(decls.size())});
            }
        }
        *out = std::move(result);
        return true;
    }
    *error = "entry point '" + entry + "' not found";
    return false;
}

}  // namespace fx
