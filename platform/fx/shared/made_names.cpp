#include "platform/fx/shared/made_names.h"

#include <cctype>
#include <string>
#include <string_view>

namespace fx {
namespace {

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// "PREFIXNAME_" (numbered false) or "PREFIXNAME_N_" (numbered true) back
// to NAME; a word that only starts so stays.
void SayNamesOf(std::string* text, std::string_view prefix, bool numbered) {
    for (size_t at = text->find(prefix); at != std::string::npos; at = text->find(prefix, at)) {
        size_t end = at + prefix.size();
        while (end < text->size() && IsWordChar((*text)[end])) ++end;
        const size_t nameStart = at + prefix.size();
        size_t nameEnd = end;
        bool ok = nameEnd > nameStart + 1 && (*text)[nameEnd - 1] == '_';
        if (ok) --nameEnd;
        if (ok && numbered) {
            const size_t digits = nameEnd;
            while (nameEnd > nameStart && std::isdigit(static_cast<unsigned char>((*text)[nameEnd - 1])))
                --nameEnd;
            ok = nameEnd < digits && nameEnd > nameStart + 1 && (*text)[nameEnd - 1] == '_';
            if (ok) --nameEnd;
        }
        if (!ok || (at > 0 && IsWordChar((*text)[at - 1]))) {
            at = end;
            continue;
        }
        text->erase(nameEnd, end - nameEnd);
        text->erase(at, prefix.size());
    }
}

}  // namespace

void SayRespelledNames(std::string* text) { SayNamesOf(text, "fx_user_", false); }

void SayUserNames(std::string* text) {
    SayRespelledNames(text);
    SayNamesOf(text, "fx_local_", true);  // fx_local_struct_N_ too: "struct"
    SayNamesOf(text, "fx_prec_", true);
    // fx_member_VAR_dot_MEMBER_: a struct's sampler member, "VAR.MEMBER".
    constexpr std::string_view member = "fx_member_";
    for (size_t at = text->find(member); at != std::string::npos; at = text->find(member, at)) {
        size_t end = at + member.size();
        while (end < text->size() && IsWordChar((*text)[end])) ++end;
        std::string word = text->substr(at + member.size(), end - at - member.size());
        const size_t dot = word.find("_dot_");
        if ((at > 0 && IsWordChar((*text)[at - 1])) || dot == std::string::npos ||
            word.size() < 2 || word.back() != '_') {
            at = end;
            continue;
        }
        word.pop_back();
        std::string said;
        for (size_t k = 0; k < word.size(); ++k) {
            if (word.compare(k, 5, "_dot_") == 0) {
                said += '.';
                k += 4;
            } else {
                said += word[k];
            }
        }
        text->replace(at, end - at, said);
        at += said.size();
    }
}

}  // namespace fx
