// The text edit engine (see text_edits.h).
#include "platform/fx/shared/text_edits.h"

#include <algorithm>

#include "platform/fx/shared/tokenizer.h"

namespace fx {

std::string TextEdits::Apply(const std::string& text, std::vector<TextMove>* moves) {
    if (list.empty()) return text;
    std::stable_sort(list.begin(), list.end(),
                     [](const Edit& a, const Edit& b) { return a.at < b.at; });
    std::string out;
    out.reserve(text.size());
    size_t from = 0;
    const LineIndex lines(text);
    size_t lineHint = 0;
    int moved = 0;  // characters put in so far on the current line
    int line = 0;
    for (const Edit& e : list) {
        if (e.at < from || e.at + e.length > text.size()) continue;
        out.append(text, from, e.at - from);
        const int delta = static_cast<int>(e.with.size()) - static_cast<int>(e.length);
        if (moves != nullptr) {
            const SourcePos pos = lines.At(e.at, &lineHint);
            if (pos.line != line) {
                line = pos.line;
                moved = 0;
            }
            if (delta != 0) moves->push_back({pos.line, pos.column + moved, delta});
            moved += delta;
        }
        out += e.with;
        from = e.at + e.length;
    }
    out.append(text, from, std::string::npos);
    list.clear();
    return out;
}

}  // namespace fx
