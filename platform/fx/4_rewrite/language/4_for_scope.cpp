// Stage 4: a for loop's variables visible after it (see 4_for_scope.h).
#include "platform/fx/4_rewrite/language/4_for_scope.h"

#include <string_view>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {


// The variables the for-init at [first, semicolon) declares: its type
// tokens [first, names[0]) and each name.
struct ForInit {
    size_t first = 0;
    size_t type = npos;  // the type's token; npos when nothing is declared
    std::vector<size_t> names;
};

ForInit ReadForInit(const Code& code, size_t first, size_t semicolon) {
    ForInit init;
    init.first = first;
    size_t k = first;
    while (k < semicolon && code.IsIdent(k) && IsQualifier(code.Text(k))) ++k;
    if (k + 1 >= semicolon || !code.IsIdent(k) || !code.IsIdent(k + 1)) return init;
    init.type = k;
    init.names.push_back(k + 1);
    for (k += 2; k < semicolon; ++k) {
        const char p = code.Punct(k);
        if (p == '(' || p == '[' || p == '{') k = code.Closing(k);
        if (code.Punct(k) == ',' && code.IsIdent(k + 1)) init.names.push_back(k + 1);
    }
    return init;
}

// A word that may stand before a name without declaring it.
bool NotAType(std::string_view w) {
    return OneOf(w, {"return", "case", "else", "do"});
}

// Code in [from, to) reads or writes the name (not a member of that name)
// before any new declaration of it.
bool Uses(const Code& code, size_t from, size_t to, std::string_view name) {
    for (size_t k = from; k < to && k < code.size(); ++k) {
        if (!code.IsIdent(k) || code.Text(k) != name || code.Punct(k - 1) == '.') continue;
        return !code.IsIdent(k - 1) || NotAType(code.Text(k - 1));
    }
    return false;
}

// The type (a code token) of a declaration of the name among the block's
// own statements before `before` ("int i = 7;" at its level, not in a
// block inside it); npos when there is none. The block closes at end.
size_t DeclaredBefore(const Code& code, size_t before, size_t end, std::string_view name) {
    size_t open = before;
    while (open-- > 0)
        if (code.Punct(open) == '{' && code.Closing(open) == end) break;
    if (open == npos) return npos;
    for (size_t k = open + 1; k < before; ++k) {
        const char p = code.Punct(k);
        if (p == '(' || p == '[' || p == '{') k = code.Closing(k);
        if (code.IsIdent(k) && code.Text(k) == name && code.IsIdent(k - 1) &&
            code.Punct(k - 2) != '.' && !NotAType(code.Text(k - 1))) {
            return k - 1;
        }
    }
    return npos;
}

// The '[' of the attribute that ends at close, npos when none does.
size_t AttributeOpen(const Code& code, size_t close) {
    for (size_t k = close; k-- > 0 && close - k < 16;)
        if (code.Punct(k) == '[' && code.Closing(k) == close) return k;
    return npos;
}

// The end of the block the statement at i is in: its '}'.
size_t BlockEnd(const Code& code, size_t i) {
    for (; i < code.size(); ++i) {
        const char p = code.Punct(i);
        if (p == '(' || p == '[' || p == '{') {
            i = code.Closing(i);
            continue;
        }
        if (p == '}') return i;
    }
    return code.size();
}

}  // namespace

bool HoistForVariables(TokenRewriteState& state) {
    const Code& code = state.code();
    TokenEdits edits;
    // The names moved out so far, by the block they moved into (its '}')
    // and their type.
    struct Moved {
        std::string_view name, type;
        size_t blockEnd;
    };
    std::vector<Moved> moved;
    for (size_t f = 0; f + 1 < code.size(); ++f) {
        if (!code.IsWord(f, "for") || code.Punct(f + 1) != '(') continue;
        const size_t close = code.Closing(f + 1);
        size_t semicolon = f + 2;
        while (semicolon < close && code.Punct(semicolon) != ';') ++semicolon;
        const ForInit init = ReadForInit(code, f + 2, semicolon);
        if (init.type == npos) continue;
        // The statement starts at its attributes; it must be one of a block.
        size_t start = f;
        while (start > 0 && code.Punct(start - 1) == ']') {
            const size_t open = AttributeOpen(code, start - 1);
            if (open == npos) break;
            start = open;
        }
        const char before = start > 0 ? code.Punct(start - 1) : 0;
        if (before != '{' && before != '}' && before != ';') continue;
        const size_t loopEnd = StatementEnd(code, f);
        const size_t blockEnd = BlockEnd(code, loopEnd);
        const std::string_view type = code.Text(init.type);
        // Each name: moved into this block before (with another type: left
        // alone), or read after the loop.
        bool hoist = false, clash = false;
        std::vector<size_t> declare;
        for (size_t name : init.names) {
            bool known = false;
            for (const Moved& m : moved) {
                if (m.blockEnd != blockEnd || m.name != code.Text(name)) continue;
                known = true;
                clash = clash || m.type != type;
            }
            // "int i = 7; for (int i = 0; ...)": Direct3D 9 warns and
            // counts in the i declared before.
            const size_t before = known ? npos : DeclaredBefore(code, f, blockEnd, code.Text(name));
            if (before != npos) {
                known = true;
                clash = clash || code.Text(before) != type;
            }
            hoist = hoist || known || Uses(code, loopEnd, blockEnd, code.Text(name));
            if (!known) declare.push_back(name);
        }
        if (!hoist || clash) continue;
        if (!declare.empty()) {
            std::vector<SourceToken> made;
            for (size_t k = init.first; k <= init.type; ++k) {
                made.push_back(code.Token(k));
                made.back().flags &= static_cast<uint8_t>(~kGlued);
            }
            for (size_t n = 0; n < declare.size(); ++n) {
                if (n > 0) made.push_back(state.hlsl->Make(Tok::Punct, ",", code.Token(declare[n])));
                made.push_back(code.Token(declare[n]));
                made.back().flags &= static_cast<uint8_t>(~kGlued);
                moved.push_back({code.Text(declare[n]), type, blockEnd});
            }
            made.push_back(state.hlsl->Make(Tok::Punct, ";", code.Token(f)));
            edits.Replace(code.At(start), code.At(start), std::move(made));
        }
        edits.Replace(code.At(init.first), code.At(init.type) + 1, {});
    }
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
