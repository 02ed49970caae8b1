// Stage 4: the text glslang compiles, printed from tokens, and its map back
// to the user's files (see 4_rewrite_hlsl.h).
//
// A line of the text holds the tokens of one line of one file; a token
// spelled in the file sits at its own column unless something before it on
// the line grew, so that most of what glslang reports is already where the
// user wrote it, and the map says where the rest is. Tokens are kept apart
// wherever the file had them apart, so the text lexes as the tokens say.
#include <algorithm>

#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"

namespace fx {

HlslText PrintHlsl(const TokenStream& hlsl) {
    HlslText out;
    std::string& text = out.text;
    out.map.files = hlsl.files;
    out.map.entries.reserve(hlsl.tokens.size());
    text.reserve(hlsl.tokens.size() * 6);
    uint32_t line = 1;
    uint32_t column = 1;  // where the next character goes
    auto newLine = [&] {
        // A backslash at the end of a line would join it to the next.
        if (!text.empty() && text.back() == '\\') text += ' ';
        text += '\n';
        ++line;
        column = 1;
    };
    const SourceToken* prev = nullptr;
    for (const SourceToken& t : hlsl.tokens) {
        std::string_view s = hlsl.Text(t);
        if (t.kind == Tok::Directive) {  // a #pragma, on a line of its own
            if (column > 1) newLine();
            out.map.entries.push_back({line, column, t.line, t.column, t.file, false});
            text += s;
            newLine();
            prev = nullptr;
            continue;
        }
        // A '#' first on a line would read as a directive: it stays on the
        // line before.
        bool lineBreak = prev != nullptr && (prev->file != t.file || prev->line != t.line) &&
                         !(s.size() == 1 && s[0] == '#');
        if (lineBreak) newLine();
        const bool spelled = (t.flags & kExpanded) == 0;
        bool glued = prev != nullptr && !lineBreak && (t.flags & kGlued) != 0;
        // "/" "/" would start a comment.
        if (glued && text.back() == '/' && (s[0] == '/' || s[0] == '*')) glued = false;
        if (!glued) {
            if (spelled && t.column > column) {
                text.append(t.column - column, ' ');
                column = t.column;
            } else if (column > 1) {
                text += ' ';
                ++column;
            }
        }
        out.map.entries.push_back({line, column, t.line, t.column, t.file, spelled});
        text += s;
        column += static_cast<uint32_t>(s.size());
        prev = &t;
    }
    newLine();
    return out;
}

void SourceMap::ToUser(Message* m) const {
    if (entries.empty() || m->line <= 0) return;
    const uint32_t line = static_cast<uint32_t>(m->line);
    const uint32_t column = static_cast<uint32_t>(std::max(m->column, 1));
    // The first token printed after the place.
    auto after = std::upper_bound(entries.begin(), entries.end(), std::make_pair(line, column),
                                  [](const std::pair<uint32_t, uint32_t>& p, const Entry& e) {
                                      return p.first < e.outLine ||
                                             (p.first == e.outLine && p.second < e.outColumn);
                                  });
    // The token at or before the place on its line; else the first on the
    // line; else (a line without tokens) the last token before it.
    const Entry* e = nullptr;
    if (after != entries.begin() && (after - 1)->outLine == line) {
        e = &*(after - 1);
    } else if (after != entries.end() && after->outLine == line) {
        e = &*after;
    } else {
        e = after != entries.begin() ? &*(after - 1) : &*after;
    }
    m->file = e->file < files.size() ? files[e->file] : std::string();
    m->line = static_cast<int>(e->line);
    int shifted = static_cast<int>(e->column) + static_cast<int>(column) -
                  static_cast<int>(e->outColumn);
    m->column = e->exact && e->outLine == line ? std::max(shifted, 1) : static_cast<int>(e->column);
}

}  // namespace fx
