// The one way text is edited (platform/fx internal): replacements of byte
// ranges of a text, applied together in one pass over it (thousands of
// edits stay linear), every offset as it was before any of them. Edits are
// taken in the order of their place (of two at one place, in the order
// given); an edit that starts inside the one before it is left out. Token
// lists have their own engine, TokenEdits (token_stream.h).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace fx {

// delta characters were put in at (line, column) of the text, in the text
// as it is after the moves before.
struct TextMove {
    int line = 0;
    int column = 0;
    int delta = 0;
};

struct TextEdits {
    struct Edit {
        size_t at, length;
        std::string with;
    };
    std::vector<Edit> list;

    void Replace(size_t at, size_t length, std::string with) {
        list.push_back({at, length, std::move(with)});
    }
    void Insert(size_t at, std::string with) { Replace(at, 0, std::move(with)); }
    bool empty() const { return list.empty(); }
    // The end of the last edit given (0 with none): where the next one may start.
    size_t End() const { return list.empty() ? 0 : list.back().at + list.back().length; }

    // The text with the edits made, the columns they move added to *moves
    // when it is given. Clears the edits.
    std::string Apply(const std::string& text, std::vector<TextMove>* moves = nullptr);
};

}  // namespace fx
