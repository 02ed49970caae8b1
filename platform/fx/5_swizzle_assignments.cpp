// Stage 5: compound assignments to matrix swizzles split (see 5_tree.h).
#include <string>
#include <vector>

#include "platform/fx/4_rewrite_hlsl.h"
#include "platform/fx/5_tree.h"
#include "platform/fx/tokenizer.h"

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

std::string SplitSwizzleAssignments(const std::string& hlsl, std::vector<ColumnShift>* shifts) {
    if (hlsl.find("=") == std::string::npos || hlsl.find("._") == std::string::npos) return hlsl;
    const std::vector<Token> tokens = Tokenize(hlsl);
    auto text = [&](size_t i) { return hlsl.substr(tokens[i].begin, tokens[i].end - tokens[i].begin); };
    auto punct = [&](size_t i, char c) {
        return i < tokens.size() && tokens[i].kind == Tok::Punct && hlsl[tokens[i].begin] == c;
    };
    struct Edit {
        size_t at, length;
        std::string with;
    };
    std::vector<Edit> edits;
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
        edits.push_back({tokens[op].begin, 2, "= " + target + " " + text(op) + " ("});
        edits.push_back({tokens[end].begin, 0, ")"});
        i = end;
    }
    if (edits.empty()) return hlsl;
    std::string out;
    size_t from = 0;
    const LineIndex lines(hlsl);
    int moved = 0;  // characters inserted so far on the current line
    int line = 0;
    for (const Edit& e : edits) {
        out.append(hlsl, from, e.at - from);
        const SourcePos pos = lines.At(e.at);
        if (pos.line != line) {
            line = pos.line;
            moved = 0;
        }
        const int delta = static_cast<int>(e.with.size()) - static_cast<int>(e.length);
        if (shifts != nullptr) shifts->push_back({pos.line, pos.column + moved, delta});
        moved += delta;
        out += e.with;
        from = e.at + e.length;
    }
    out.append(hlsl, from, std::string::npos);
    return out;
}

}  // namespace fx
