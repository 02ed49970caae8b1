// The tokens handed from stage to stage (see token_stream.h).
#include "platform/fx/shared/token_stream.h"

#include <algorithm>

namespace fx {

uint32_t TokenTexts::Id(std::string_view text) {
    auto it = ids_.find(text);
    if (it != ids_.end()) return it->second;
    uint32_t id = static_cast<uint32_t>(texts_.size());
    texts_.emplace_back(text);
    views_.emplace_back(texts_.back());
    ids_.emplace(views_.back(), id);
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

std::vector<SourceToken> TokenStream::MakeTokens(const std::string& text,
                                                 const SourceToken& at) const {
    std::vector<SourceToken> out;
    size_t previousEnd = std::string::npos;
    for (const Token& t : Tokenize(text)) {
        if (t.kind == Tok::End) break;
        SourceToken made = Make(t.kind, std::string_view(text).substr(t.begin, t.end - t.begin), at);
        if (t.begin == previousEnd && !out.empty()) made.flags |= kGlued;
        previousEnd = t.end;
        out.push_back(made);
    }
    return out;
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

void TokenEdits::Apply(std::vector<SourceToken>* tokens) {
    if (list.empty()) return;
    std::reverse(list.begin(), list.end());
    std::stable_sort(list.begin(), list.end(), [](const Edit& a, const Edit& b) {
        return a.begin < b.begin || (a.begin == b.begin && a.end < b.end);
    });
    std::vector<SourceToken> out;
    out.reserve(tokens->size());
    size_t from = 0;
    bool unglue = false;
    auto put = [&](SourceToken t) {
        if (unglue) t.flags &= static_cast<uint8_t>(~kGlued);
        unglue = false;
        out.push_back(t);
    };
    for (const Edit& e : list) {
        const size_t begin = std::min(e.begin, tokens->size());
        const size_t end = std::min(std::max(e.end, begin), tokens->size());
        if (begin < from) continue;
        for (; from < begin; ++from) put((*tokens)[from]);
        unglue = true;
        for (const SourceToken& t : e.tokens) put(t);
        unglue = true;
        from = end;
    }
    for (; from < tokens->size(); ++from) put((*tokens)[from]);
    *tokens = std::move(out);
    list.clear();
}

}  // namespace fx
