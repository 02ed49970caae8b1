// Stage 4: [unroll(n)] as the most turns a loop takes (see 4_unroll_counts.h).
#include "platform/fx/4_rewrite/language/4_unroll_counts.h"

#include <map>
#include <string>
#include <utility>
#include <string_view>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {


// An attribute "[unroll(N)]" opening at i, where a statement can start.
bool IsUnrollCount(const Code& code, size_t i) {
    if (code.Punct(i) != '[' || !code.IsWord(i + 1, "unroll") || code.Punct(i + 2) != '(') return false;
    if (code.Closing(i + 2) + 1 != code.Closing(i) || code.Closing(i + 2) == i + 3) return false;
    if (i == 0) return false;
    const char before = code.Punct(i - 1);
    return before == ';' || before == '{' || before == '}' || before == ')' || before == ']' ||
           code.IsWord(i - 1, "else") || code.IsWord(i - 1, "do");
}

class Turns {
public:
    explicit Turns(TokenRewriteState& state) : state_(state), code_(state.code()) {}

    // Gives the loop after the attribute at `open` its counter; false when
    // no loop follows it.
    bool Count(size_t open, int number) {
        size_t loop = code_.Closing(open) + 1;
        while (code_.Punct(loop) == '[') loop = code_.Closing(loop) + 1;
        // A loop keyword and its parenthesis (a malformed one is glslang's to say).
        if (loop + 1 >= code_.size() || (!code_.IsWord(loop, "do") && code_.Punct(loop + 1) != '('))
            return false;
        const std::string name = "fx_turns_" + std::to_string(number) + "_";
        const size_t countFirst = open + 3, countEnd = code_.Closing(open + 2);
        if (code_.IsWord(loop, "for")) {
            const size_t paren = loop + 1, close = code_.Closing(paren);
            size_t first = paren + 1;
            while (first < close && code_.Punct(first) != ';') first = Skip(first) + 1;
            size_t end = first + 1;
            while (end < close && code_.Punct(end) != ';') end = Skip(end) + 1;
            if (first >= close || end >= close) return false;
            Test(first + 1, end, name, false, countFirst, countEnd);
        } else if (code_.IsWord(loop, "while")) {
            Test(loop + 2, code_.Closing(loop + 1), name, false, countFirst, countEnd);
        } else if (code_.IsWord(loop, "do")) {
            const size_t test = StatementEnd(code_, loop + 1);
            if (!code_.IsWord(test, "while") || code_.Punct(test + 1) != '(') return false;
            Test(test + 2, code_.Closing(test + 1), name, true, countFirst, countEnd);
        } else {
            return false;
        }
        // The block around the loop, with the counter.
        const SourceToken& at = code_.Token(open);
        Insert(open, false, {Make(Tok::Punct, "{", at), Make(Tok::Ident, "int", at), Make(Tok::Ident, name, at),
                             Make(Tok::Punct, "=", at), Make(Tok::Number, "0", at), Make(Tok::Punct, ";", at)});
        const size_t end = StatementEnd(code_, loop);
        Insert(end, true, {Make(Tok::Punct, "}", code_.Token(end - 1))});
        return true;
    }

    // One edit per place: what closes there first (a loop's block that
    // ends where the next loop's begins), then what opens.
    void Apply() {
        if (inserts_.empty()) return;
        TokenEdits edits;
        for (auto& [at, both] : inserts_) {
            both.first.insert(both.first.end(), both.second.begin(), both.second.end());
            const size_t k = at < code_.size() ? code_.At(at) : state_.hlsl->tokens.size();
            edits.Replace(k, k, std::move(both.first));
        }
        inserts_.clear();
        edits.Apply(&state_.hlsl->tokens);
        state_.Edited();
    }

private:
    size_t Skip(size_t k) const {
        const char p = code_.Punct(k);
        return p == '(' || p == '[' || p == '{' ? code_.Closing(k) : k;
    }

    // The test [first, end) becomes "COUNTER++ < (N) && (TEST)", or
    // "++COUNTER < (N) && (TEST)" after each turn of a do loop; an empty
    // one the count alone.
    void Test(size_t first, size_t end, const std::string& name, bool after, size_t countFirst,
              size_t countEnd) {
        const SourceToken& at = code_.Token(first < end ? first : end);
        std::vector<SourceToken> count;
        if (after) count.push_back(Make(Tok::Punct, "++", at));
        count.push_back(Make(Tok::Ident, name, at));
        if (!after) count.push_back(Make(Tok::Punct, "++", at));
        count.push_back(Make(Tok::Punct, "<", at));
        count.push_back(Make(Tok::Punct, "(", at));
        for (size_t k = countFirst; k < countEnd; ++k) count.push_back(code_.Token(k));
        count.push_back(Make(Tok::Punct, ")", at));
        if (first < end) {
            count.push_back(Make(Tok::Punct, "&&", at));
            count.push_back(Make(Tok::Punct, "(", at));
            Insert(end, true, {Make(Tok::Punct, ")", code_.Token(end - 1))});
        }
        Insert(first, false, std::move(count));
    }

    SourceToken Make(Tok kind, std::string_view text, const SourceToken& at) {
        return state_.hlsl->Make(kind, text, at);
    }
    void Insert(size_t k, bool closes, std::vector<SourceToken> tokens) {
        std::vector<SourceToken>& to = closes ? inserts_[k].first : inserts_[k].second;
        to.insert(to.end(), tokens.begin(), tokens.end());
    }

    TokenRewriteState& state_;
    const Code& code_;
    // By code token: what closes and what opens before it.
    std::map<size_t, std::pair<std::vector<SourceToken>, std::vector<SourceToken>>> inserts_;
};

}  // namespace

bool CountUnrolledTurns(TokenRewriteState& state) {
    const Code& code = state.code();
    Turns turns(state);
    int number = 0;
    for (size_t k = 0; k + 4 < code.size(); ++k)
        if (IsUnrollCount(code, k) && turns.Count(k, number + 1)) ++number;
    turns.Apply();
    return true;
}

}  // namespace fx
