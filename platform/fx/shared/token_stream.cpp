// The tokens handed from stage to stage (see token_stream.h).
#include "platform/fx/shared/token_stream.h"

#include <algorithm>

namespace fx {

uint32_t TokenTexts::Id(std::string_view text) {
    auto it = ids_.find(text);
    if (it != ids_.end()) return it->second;
    uint32_t id = static_cast<uint32_t>(texts_.size());
    texts_.emplace_back(text);
    ids_.emplace(std::string_view(texts_.back()), id);
    return id;
}

SourcePos TokenStream::Pos(const SourceToken& t) const {
    SourcePos pos;
    pos.line = static_cast<int>(t.line);
    pos.column = static_cast<int>(t.column);
    pos.file = t.file < files.size() ? files[t.file] : std::string();
    return pos;
}

SourcePos TokenStream::EndPos(const SourceToken& t) const {
    SourcePos pos = Pos(t);
    if ((t.flags & kExpanded) == 0) pos.column += static_cast<int>(Text(t).size());
    return pos;
}

SourceToken TokenStream::Make(Tok kind, std::string_view text, const SourceToken& at) const {
    SourceToken t = at;
    t.kind = kind;
    t.text = texts->Id(text);
    t.flags = kExpanded;
    return t;
}

std::string SpellTokens(const TokenTexts& texts, const std::vector<SourceToken>& list,
                        size_t begin, size_t end) {
    std::string s;
    for (size_t i = begin; i < end && i < list.size(); ++i) {
        if (i > begin && (list[i].flags & kGlued) == 0) s += ' ';
        s += texts.Text(list[i].text);
    }
    return s;
}

void SpliceTokens(std::vector<SourceToken>* list, size_t begin, size_t end,
                  const std::vector<SourceToken>& replacement) {
    end = std::min(end, list->size());
    begin = std::min(begin, end);
    list->erase(list->begin() + static_cast<std::ptrdiff_t>(begin),
                list->begin() + static_cast<std::ptrdiff_t>(end));
    list->insert(list->begin() + static_cast<std::ptrdiff_t>(begin), replacement.begin(),
                 replacement.end());
    size_t after = begin + replacement.size();
    if (begin < list->size()) (*list)[begin].flags &= static_cast<uint8_t>(~kGlued);
    if (after < list->size()) (*list)[after].flags &= static_cast<uint8_t>(~kGlued);
}

}  // namespace fx
